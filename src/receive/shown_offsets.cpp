#include "shown_offsets.h"

#include "display_buffer.h"

#include <algorithm>

namespace quillar {

namespace {

// Whether no choice can show the line otherwise than as its characters: no
// marker, no escape, nothing beyond ASCII.
bool showsAsItself(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F && c != QLatin1Char('['); });
}

qsizetype units(const ShownCell &cell)
{
    return cell.code > 0xFFFF ? 2 : 1;
}

} // namespace

ShownOffsets::ShownOffsets(const DisplayBuffer &buffer, QObject *parent) : QObject(parent), m_buffer(buffer)
{
    connect(&buffer, &DisplayBuffer::showChoicesChanged, this, &ShownOffsets::reset);
    connect(&buffer, &DisplayBuffer::textChanged, this, [this] {
        if (m_buffer.length() == 0) // cleared: the lines may be numbered again
            reset();
    });
}

void ShownOffsets::reset()
{
    m_starts.clear();
    m_firstKept = -1;
}

void ShownOffsets::dropCut()
{
    const qint64 first = m_buffer.firstLineNumber() + 1;
    if (m_starts.empty() || m_firstKept > first || m_firstKept + qint64(m_starts.size()) <= first) {
        m_starts = {0};
        m_firstKept = first;
        return;
    }
    while (m_firstKept < first) {
        m_starts.pop_front();
        ++m_firstKept;
    }
}

qsizetype ShownOffsets::lineLength(qsizetype line) const
{
    // Without UTF-8 each character shown is one of the line's own.
    if (!m_buffer.showChoices().utf8) {
        m_buffer.shownBytes(line, m_bytes);
        return m_bytes.size();
    }
    if (showsAsItself(m_buffer.lineText(line)))
        return m_buffer.lineLength(line);
    return m_buffer.shownLineText(line).size();
}

qsizetype ShownOffsets::lineStart(qsizetype line)
{
    if (line <= 0)
        return 0;
    const qsizetype second = lineLength(0) + 2;
    dropCut();
    const qint64 wanted = m_buffer.firstLineNumber() + line;
    while (m_firstKept + qint64(m_starts.size()) <= wanted) {
        const auto before = qsizetype(m_firstKept + qint64(m_starts.size()) - 1 - m_buffer.firstLineNumber());
        m_starts.push_back(m_starts.back() + lineLength(before) + 2);
    }
    return qsizetype(second + m_starts[std::size_t(wanted - m_firstKept)] - m_starts.front());
}

qsizetype ShownOffsets::length()
{
    const qsizetype last = m_buffer.lineCount() - 1;
    return lineStart(last) + lineLength(last);
}

qsizetype ShownOffsets::lineOf(qsizetype offset)
{
    const qsizetype count = m_buffer.lineCount();
    if (count == 1)
        return 0;
    const qsizetype second = lineStart(1);
    if (offset < second)
        return 0;
    // The starts as far as the offset, no further.
    const qint64 wanted = offset - second + m_starts.front();
    while (m_starts.back() <= wanted && m_firstKept + qint64(m_starts.size()) - m_buffer.firstLineNumber() < count)
        (void)lineStart(qsizetype(m_firstKept + qint64(m_starts.size()) - m_buffer.firstLineNumber()));
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), wanted);
    return qsizetype(after - m_starts.begin()); // line 1 is m_starts[0]
}

qsizetype ShownOffsets::shownWithin(qsizetype line, qsizetype within) const
{
    if (showsAsItself(m_buffer.lineText(line)))
        return within;
    qsizetype offset = 0;
    for (const ShownCell &cell : m_buffer.shownLine(line).cells) {
        if (cell.to > within)
            break;
        offset += units(cell);
    }
    return offset;
}

qsizetype ShownOffsets::exactWithin(qsizetype line, qsizetype offset) const
{
    if (showsAsItself(m_buffer.lineText(line)))
        return offset;
    qsizetype at = 0;
    for (const ShownCell &cell : m_buffer.shownLine(line).cells) {
        at += units(cell);
        if (at > offset)
            return cell.from;
    }
    return m_buffer.lineLength(line);
}

qsizetype ShownOffsets::toShown(qsizetype position)
{
    position = std::clamp<qsizetype>(position, 0, m_buffer.length());
    const qsizetype line = m_buffer.lineOfPosition(position);
    const qsizetype within = position - m_buffer.lineStart(line);
    const qsizetype exactLength = m_buffer.lineLength(line);
    if (within > exactLength) // in the line break
        return lineStart(line) + lineLength(line) + (within - exactLength);
    return lineStart(line) + shownWithin(line, within);
}

qsizetype ShownOffsets::toExact(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, length());
    const qsizetype line = lineOf(offset);
    const qsizetype within = offset - lineStart(line);
    const qsizetype shownLength = lineLength(line);
    if (within > shownLength)
        return m_buffer.lineStart(line) + m_buffer.lineLength(line) + (within - shownLength);
    return m_buffer.lineStart(line) + exactWithin(line, within);
}

QString ShownOffsets::text(qsizetype from, qsizetype to)
{
    const qsizetype total = length();
    from = std::clamp<qsizetype>(from, 0, total);
    to = std::clamp<qsizetype>(to, from, total);
    QString text;
    const qsizetype last = lineOf(to);
    for (qsizetype line = lineOf(from); line <= last && from < to; ++line) {
        const qsizetype start = lineStart(line);
        QString shown = m_buffer.shownLine(line).text();
        if (line + 1 < m_buffer.lineCount())
            shown += QStringLiteral("\r\n");
        text += QStringView(shown).mid(from - start, std::min(to, start + shown.size()) - from);
        from = start + shown.size();
    }
    return text;
}

} // namespace quillar
