#include "min_max_reduction.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quillar {

qsizetype firstAtOrAfter(const SampleRing &samples, XAxis axis, double x)
{
    qsizetype low = 0;
    qsizetype high = samples.size();
    while (low < high) {
        const qsizetype mid = low + (high - low) / 2;
        if (xOf(samples.at(mid), axis) < x)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

namespace {

// One pixel column's samples as they are gathered.
struct Column
{
    qsizetype first = -1;
    qsizetype last = -1;
    qsizetype min = -1;
    qsizetype max = -1;
};

} // namespace

std::vector<PlotPoint> reduceMinMax(const SampleRing &samples, XAxis axis, double from, double to, int width)
{
    std::vector<PlotPoint> points;
    if (samples.isEmpty() || width <= 0 || !(to > from))
        return points;
    const double scale = width / (to - from);
    const auto point = [&](qsizetype i) {
        const Sample &s = samples.at(i);
        return PlotPoint{(xOf(s, axis) - from) * scale, s.value};
    };
    const qsizetype begin = firstAtOrAfter(samples, axis, from);
    const qsizetype end = firstAtOrAfter(samples, axis, std::nextafter(to, HUGE_VAL));
    if (begin > 0)
        points.push_back(point(begin - 1));

    Column column;
    int columnIndex = -1;
    double low = 0;
    double high = 0;
    const auto flush = [&] {
        if (column.first < 0)
            return;
        // By index, first <= min, max <= last: in order once the middle two are.
        const std::array<qsizetype, 4> order{column.first, std::min(column.min, column.max),
                                             std::max(column.min, column.max), column.last};
        for (std::size_t k = 0; k < order.size(); ++k)
            if (k == 0 || order[k] != order[k - 1])
                points.push_back(point(order[k]));
    };
    for (qsizetype i = begin; i < end; ++i) {
        const Sample &s = samples.at(i);
        const int c = std::clamp(int(std::floor((xOf(s, axis) - from) * scale)), 0, width - 1);
        if (c != columnIndex) {
            flush();
            columnIndex = c;
            column = {i, i, i, i};
            low = high = s.value;
            continue;
        }
        column.last = i;
        if (s.value < low) {
            low = s.value;
            column.min = i;
        }
        if (s.value > high) {
            high = s.value;
            column.max = i;
        }
    }
    flush();
    if (end < samples.size())
        points.push_back(point(end));
    return points;
}

} // namespace quillar
