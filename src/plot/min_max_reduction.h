#pragma once

#include "sample_ring.h"

#include <deque>
#include <span>
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

// The samples of [from, to) reduced to at most four points a pixel column
// of a view `width` columns wide: each column's first sample, its minimum
// and its maximum (in the order they came) and its last, so that a spike
// of one sample always shows, and the first and last samples stand exactly
// where they are. The nearest sample on each side outside the range comes
// too, exactly, for the line to run to the edges. Samples must rise in x.
[[nodiscard]] std::vector<PlotPoint> reduceMinMax(const SampleRing &samples, XAxis axis, double from, double to,
                                                  int width);

// The index of the first sample whose x is at or after x (size() if none).
[[nodiscard]] qsizetype firstAtOrAfter(const SampleRing &samples, XAxis axis, double x);

// reduceMinMax kept from one paint to the next for a view whose columns lie
// on a fixed grid (from a whole number of columns of (to - from) / width):
// a following view that moves a whole column at a time works out only the
// samples that came since, as a column's extremes grow sample by sample. A
// column holding samples the ring has dropped since, another grid, axis or
// a view off the grid start again from the samples.
class CachedReduction
{
public:
    // The points, as reduceMinMax gives them, valid until the next call.
    [[nodiscard]] std::span<const PlotPoint> reduce(const SampleRing &samples, XAxis axis, double from, double to,
                                                    int width);

private:
    struct Extent
    {
        Sample first;
        Sample min;
        Sample max;
        Sample last;
        bool used = false;
    };

    void fold(const Sample &s, qint64 column);
    void restart(XAxis axis, double columnWidth, qint64 firstColumn);
    // The columns' points kept up to date for a view from `from`, column
    // `first`: those of columns gone dropped, those of columns from
    // `changed` on worked out again, x counted from `from`.
    void updatePoints(double from, qint64 first, qint64 changed);

    XAxis m_axis = XAxis::Time;
    double m_columnWidth = 0;
    qint64 m_firstColumn = 0; // the column of m_columns.front(), on the grid
    std::deque<Extent> m_columns;
    qint64 m_lastNumber = -1; // the newest sample folded in
    quint64 m_resets = 0;     // the ring's, when the columns were begun
    // The nearest sample before the range, the columns' points, the nearest
    // sample after it: a view that moves a few columns a paint works out
    // only theirs.
    std::vector<PlotPoint> m_points{PlotPoint{}};
    bool m_before = false;
    bool m_after = false;
    qint64 m_pointsFrom = 0;          // the column m_points' x counts from
    qint64 m_pointsUpTo = 0;          // the columns before it have their points in m_points
    std::vector<PlotPoint> m_offGrid; // a view off the grid, worked out afresh
};

} // namespace quillar
