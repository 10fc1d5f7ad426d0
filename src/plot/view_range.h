#pragma once

#include "min_max_reduction.h"

namespace quillar {

class PlotData;

// A stretch of the x axis (ms since the epoch, or line numbers).
struct XRange
{
    double from = 0;
    double to = 0;
    [[nodiscard]] bool isEmpty() const { return !(to > from); }
    friend bool operator==(const XRange &, const XRange &) = default;
};

// What a view that follows the samples shows: the lines that arrived in
// the last spanMs before the latest one (every line kept for 0), on the
// axis given; empty while there is no sample. A single line still gets a
// stretch around it.
[[nodiscard]] XRange followingRange(const PlotData &data, XAxis axis, qint64 spanMs);

// range zoomed by factor (below 1: closer) around x, no narrower than
// `narrowest`.
[[nodiscard]] XRange zoomed(XRange range, double x, double factor, double narrowest);

// Round steps for an axis: 1, 2 or 5 times a power of ten, the smallest
// giving at most `most` steps over the range.
[[nodiscard]] double niceStep(double range, int most);

// The same for time in ms: steps a clock reads well (1, 2, 5, 10, 15, 30
// seconds, minutes, hours...).
[[nodiscard]] double timeStep(double rangeMs, int most);

} // namespace quillar
