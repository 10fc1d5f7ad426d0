#include "plot_csv.h"

#include "plot_data.h"

#include <QDateTime>
#include <QIODevice>

#include <limits>

namespace quillar {

namespace {

QByteArray quoted(const QString &name)
{
    QByteArray text = name.toUtf8();
    if (!text.contains(',') && !text.contains('"') && !text.contains('\n') && !text.contains('\r'))
        return text;
    return '"' + text.replace("\"", "\"\"") + '"';
}

} // namespace

QByteArray csvHeader(const PlotData &data)
{
    QByteArray header("numero,ora");
    for (const PlotSeries &s : data.series())
        header += ',' + quoted(s.name);
    return header + "\r\n";
}

bool writeCsv(const PlotData &data, QIODevice &out)
{
    if (out.write(csvHeader(data)) < 0)
        return false;
    const auto &series = data.series();
    std::vector<qsizetype> next(series.size(), 0);
    QByteArray row;
    for (;;) {
        // The oldest line some series still has a value of.
        qint64 number = std::numeric_limits<qint64>::max();
        qint64 ms = 0;
        for (std::size_t k = 0; k < series.size(); ++k) {
            const SampleRing &samples = series[k].samples;
            if (next[k] < samples.size() && samples.at(next[k]).number < number) {
                number = samples.at(next[k]).number;
                ms = samples.at(next[k]).ms;
            }
        }
        if (number == std::numeric_limits<qint64>::max())
            return true;
        row.setNum(number);
        row += ',' + QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
        for (std::size_t k = 0; k < series.size(); ++k) {
            row += ',';
            const SampleRing &samples = series[k].samples;
            if (next[k] < samples.size() && samples.at(next[k]).number == number)
                row += valueText(samples.at(next[k]++).value).toLatin1();
        }
        row += "\r\n";
        if (out.write(row) < 0)
            return false;
    }
}

} // namespace quillar
