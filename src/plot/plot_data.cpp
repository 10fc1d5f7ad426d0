#include "plot_data.h"

#include "line_parser.h"

#include <charconv>

namespace quillar {

QString valueText(double value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return QString::fromLatin1(digits, result.ptr - digits);
}

QString seriesSummary(const PlotSeries &series)
{
    const SampleRing &s = series.samples;
    if (s.isEmpty())
        return series.name + QStringLiteral(": nessun valore");
    return QStringLiteral("%1: ultimo %2, minimo %3, massimo %4")
        .arg(series.name, valueText(s.latest().value), valueText(s.minimum()), valueText(s.maximum()));
}

bool PlotData::addLine(QByteArrayView line, qint64 ms)
{
    const std::vector<ParsedValue> values = parseLine(line);
    if (values.empty())
        return false;
    const qint64 number = m_lines++;
    for (const ParsedValue &v : values) {
        SampleRing &samples = seriesFor(v.label, v.column).samples;
        const qint64 time = samples.isEmpty() ? ms : std::max(ms, samples.latest().ms);
        samples.push({time, number, v.value});
    }
    ++m_revision;
    return true;
}

PlotSeries &PlotData::seriesFor(const QString &label, int column)
{
    if (label.isEmpty()) {
        if (std::size_t(column) < m_columns.size() && m_columns[std::size_t(column)])
            return *m_columns[std::size_t(column)];
        m_columns.resize(std::max(m_columns.size(), std::size_t(column) + 1), nullptr);
        return *(m_columns[std::size_t(column)] = &m_series.emplace_back(
                     PlotSeries{QStringLiteral("Colonna %1").arg(column), false, SampleRing(m_limit)}));
    }
    for (PlotSeries &s : m_series)
        if (s.labelled && s.name == label)
            return s;
    return m_series.emplace_back(PlotSeries{label, true, SampleRing(m_limit)});
}

void PlotData::setLimit(qsizetype limit)
{
    m_limit = std::max<qsizetype>(limit, 1);
    for (PlotSeries &s : m_series)
        s.samples.setLimit(m_limit);
    ++m_revision;
}

void PlotData::clear()
{
    for (PlotSeries &s : m_series)
        s.samples.clear();
    m_lines = 0;
    ++m_revision;
}

} // namespace quillar
