#include "side_prefix.h"

#include <algorithm>

namespace quillar {

namespace {

bool markerAt(const std::vector<quint64> &markers, qsizetype at)
{
    const auto word = std::size_t(at >> 6);
    return word < markers.size() && (markers[word] >> (at & 63)) & 1;
}

// Appends run's characters from..to to out.
void appendSlice(ReceivedText &out, const ReceivedText &run, qsizetype from, qsizetype to)
{
    const qsizetype at = out.text.size();
    out.text += QStringView(run.text).sliced(from, to - from);
    for (const TimeMark &mark : marksBetween(run.marks, from, to)) {
        if (out.marks.empty() || out.marks.back().ms != mark.ms)
            out.marks.push_back({at + mark.offset, mark.ms});
    }
    out.markers.resize(std::size_t(out.text.size() / 64 + 1), 0);
    for (qsizetype i = from; i < to; ++i) {
        if (markerAt(run.markers, i))
            out.markers[std::size_t((at + i - from) >> 6)] |= quint64(1) << ((at + i - from) & 63);
    }
}

void appendPrefix(ReceivedText &out, QStringView prefix, qint64 ms)
{
    if (out.marks.empty() || out.marks.back().ms != ms)
        out.marks.push_back({out.text.size(), ms});
    out.text += prefix;
}

} // namespace

QString sidePrefix(const QStringList &names, int side)
{
    qsizetype width = 0;
    for (const QString &name : names)
        width = std::max(width, name.size());
    return names.value(side).leftJustified(width) + QStringLiteral("> ");
}

ReceivedText withSidePrefixes(const ReceivedText &run, QStringView prefix, bool startsLine)
{
    ReceivedText out;
    qsizetype from = 0;
    bool lineStart = startsLine;
    while (from < run.text.size()) {
        const qsizetype end = run.text.indexOf(QStringLiteral("\r\n"), from);
        const qsizetype to = end < 0 ? run.text.size() : end + 2;
        if (lineStart)
            appendPrefix(out, prefix, timeAt(run.marks, from));
        appendSlice(out, run, from, to);
        from = to;
        lineStart = true;
    }
    out.markers.resize(std::size_t(out.text.size() / 64 + 1), 0);
    return out;
}

} // namespace quillar
