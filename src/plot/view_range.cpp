#include "view_range.h"

#include "plot_data.h"

#include <cmath>
#include <limits>

namespace quillar {

XRange followingRange(const PlotData &data, XAxis axis, qint64 spanMs)
{
    double latest = -std::numeric_limits<double>::infinity();
    qint64 latestMs = std::numeric_limits<qint64>::min();
    for (const PlotSeries &s : data.series()) {
        if (s.samples.isEmpty())
            continue;
        latest = std::max(latest, xOf(s.samples.latest(), axis));
        latestMs = std::max(latestMs, s.samples.latest().ms);
    }
    if (!std::isfinite(latest))
        return {};
    double from = latest;
    for (const PlotSeries &s : data.series()) {
        if (s.samples.isEmpty())
            continue;
        const qsizetype first = spanMs > 0 ? firstAtOrAfter(s.samples, XAxis::Time, double(latestMs - spanMs)) : 0;
        if (first < s.samples.size())
            from = std::min(from, xOf(s.samples.at(first), axis));
    }
    if (axis == XAxis::Time && spanMs > 0)
        from = latest - double(spanMs);
    const double least = axis == XAxis::Time ? 1000.0 : 1.0;
    if (latest - from < least)
        from = latest - least;
    return {from, latest};
}

XRange zoomed(XRange range, double x, double factor, double narrowest)
{
    XRange out{x - (x - range.from) * factor, x + (range.to - x) * factor};
    if (out.to - out.from < narrowest) {
        const double middle = (out.from + out.to) / 2;
        out = {middle - narrowest / 2, middle + narrowest / 2};
    }
    return out;
}

double niceStep(double range, int most)
{
    if (!(range > 0) || most < 1)
        return 1;
    double step = std::pow(10.0, std::floor(std::log10(range / most)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (range / (step * m) <= most)
            return step * m;
    return step * 10;
}

double timeStep(double rangeMs, int most)
{
    static constexpr double Steps[] = {1000,    2000,    5000,     10000,    15000,    30000,
                                       60000,   120000,  300000,   600000,   900000,   1800000,
                                       3600000, 7200000, 10800000, 21600000, 43200000, 86400000};
    if (rangeMs / most < Steps[0])
        return niceStep(rangeMs, most);
    for (const double step : Steps)
        if (rangeMs / step <= most)
            return step;
    return niceStep(rangeMs / 86400000, most) * 86400000;
}

} // namespace quillar
