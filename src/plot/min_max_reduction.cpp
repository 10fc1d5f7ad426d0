#include "min_max_reduction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

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
    const qsizetype end = firstAtOrAfter(samples, axis, to);
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

void CachedReduction::restart(XAxis axis, double columnWidth, qint64 firstColumn)
{
    m_axis = axis;
    m_columnWidth = columnWidth;
    m_firstColumn = firstColumn;
    m_columns.clear();
    m_lastNumber = -1;
    m_points.resize(1);
    m_before = m_after = false;
    m_pointsFrom = m_pointsUpTo = firstColumn;
}

void CachedReduction::fold(const Sample &s, qint64 column)
{
    if (column >= m_firstColumn + qint64(m_columns.size()))
        m_columns.resize(std::size_t(column - m_firstColumn + 1));
    Extent &e = m_columns[std::size_t(column - m_firstColumn)];
    if (!e.used)
        e = {s, s, s, s, true};
    e.last = s;
    if (s.value < e.min.value)
        e.min = s;
    if (s.value > e.max.value)
        e.max = s;
    m_lastNumber = s.number;
}

void CachedReduction::updatePoints(double from, qint64 first, qint64 changed)
{
    const double w = m_columnWidth;
    if (m_after)
        m_points.pop_back();
    // x counted from the view's first column; the points left of it go.
    if (const auto moved = double(first - m_pointsFrom); moved != 0)
        for (auto p = m_points.begin() + 1; p != m_points.end(); ++p)
            p->x -= moved;
    m_pointsFrom = first;
    const auto columnsStart = m_points.begin() + 1;
    m_points.erase(columnsStart, std::lower_bound(columnsStart, m_points.end(), 0.0, [](const PlotPoint &p, double x) {
                       return p.x < x;
                   }));
    // Columns that took samples since, and those never worked out.
    const qint64 redone = std::max(first, std::min(changed, m_pointsUpTo));
    m_points.erase(std::lower_bound(m_points.begin() + 1, m_points.end(), double(redone - first),
                                    [](const PlotPoint &p, double x) { return p.x < x; }),
                   m_points.end());
    const auto point = [&](const Sample &s) { return PlotPoint{(xOf(s, m_axis) - from) / w, s.value}; };
    for (auto e = m_columns.begin() + std::ptrdiff_t(redone - m_firstColumn); e < m_columns.end(); ++e) {
        if (!e->used)
            continue;
        // By number, first <= min, max <= last: in order once the middle two are.
        const bool minFirst = e->min.number <= e->max.number;
        const Sample &earlier = minFirst ? e->min : e->max;
        const Sample &later = minFirst ? e->max : e->min;
        m_points.push_back(point(e->first));
        if (earlier.number != e->first.number)
            m_points.push_back(point(earlier));
        if (later.number != earlier.number)
            m_points.push_back(point(later));
        if (e->last.number != later.number)
            m_points.push_back(point(e->last));
    }
    m_pointsUpTo = m_firstColumn + qint64(m_columns.size());
}

std::span<const PlotPoint> CachedReduction::reduce(const SampleRing &samples, XAxis axis, double from, double to,
                                                   int width)
{
    const double w = width > 0 ? (to - from) / width : 0;
    const double grid = w > 0 ? from / w : 0.5;
    if (samples.isEmpty() || !(w > 0) || std::abs(grid - std::round(grid)) > 1e-3) {
        restart(axis, 0, 0);
        m_offGrid = reduceMinMax(samples, axis, from, to, width);
        return m_offGrid;
    }
    const auto first = qint64(std::llround(grid));
    if (axis != m_axis || w != m_columnWidth || first < m_firstColumn || samples.resets() != m_resets)
        restart(axis, w, first);
    m_resets = samples.resets();
    while (!m_columns.empty() && m_firstColumn < first) {
        m_columns.pop_front();
        ++m_firstColumn;
    }
    const auto used = std::find_if(m_columns.begin(), m_columns.end(), [](const Extent &e) { return e.used; });
    if (used == m_columns.end() || used->first.number < samples.at(0).number)
        restart(axis, w, first);

    qsizetype i = m_lastNumber < 0 ? firstAtOrAfter(samples, axis, from)
                                   : firstAtOrAfter(samples, XAxis::Number, double(m_lastNumber) + 0.5);
    qint64 changed = std::numeric_limits<qint64>::max();
    for (; i < samples.size(); ++i) {
        const Sample &s = samples.at(i);
        const qint64 column = std::max(m_firstColumn, qint64(std::floor(xOf(s, axis) / w)));
        if (column >= first + width)
            break;
        changed = std::min(changed, column);
        fold(s, column);
    }
    updatePoints(from, first, changed);

    // The nearest samples outside, exactly where they are.
    const auto point = [&](const Sample &s) { return PlotPoint{(xOf(s, axis) - from) / w, s.value}; };
    const qsizetype begin = firstAtOrAfter(samples, axis, from);
    m_before = begin > 0;
    if (m_before)
        m_points.front() = point(samples.at(begin - 1));
    const qsizetype end = firstAtOrAfter(samples, axis, to);
    m_after = end < samples.size();
    if (m_after)
        m_points.push_back(point(samples.at(end)));
    return std::span<const PlotPoint>(m_points).subspan(m_before ? 0 : 1);
}

} // namespace quillar
