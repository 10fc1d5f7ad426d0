#pragma once

#include "sample_ring.h"

#include <vector>

namespace quillar {

// What the x axis counts: arrival time (ms since the epoch) or line number.
enum class XAxis { Time, Number };

[[nodiscard]] inline double xOf(const Sample &s, XAxis axis)
{
    return axis == XAxis::Time ? double(s.ms) : double(s.number);
}

// A point of the line to draw: x in pixel columns from the view's left
// edge (fractional), y the value.
struct PlotPoint
{
    double x = 0;
    double value = 0;
    friend bool operator==(const PlotPoint &, const PlotPoint &) = default;
};

// The samples of [from, to] reduced to at most four points a pixel column
// of a view `width` columns wide: each column's first sample, its minimum
// and its maximum (in the order they came) and its last, so that a spike
// of one sample always shows, and the first and last samples stand exactly
// where they are. The nearest sample on each side outside the range comes
// too, exactly, for the line to run to the edges. Samples must rise in x.
[[nodiscard]] std::vector<PlotPoint> reduceMinMax(const SampleRing &samples, XAxis axis, double from, double to,
                                                  int width);

// The index of the first sample whose x is at or after x (size() if none).
[[nodiscard]] qsizetype firstAtOrAfter(const SampleRing &samples, XAxis axis, double x);

} // namespace quillar
