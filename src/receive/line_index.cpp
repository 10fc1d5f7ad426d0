#include "line_index.h"

#include <algorithm>

namespace quillar {

qsizetype LineIndex::lineAt(qint64 position) const
{
    qsizetype low = 0;
    qsizetype high = count();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (start(middle) <= position)
            low = middle + 1;
        else
            high = middle;
    }
    return std::max<qsizetype>(low - 1, 0);
}

std::optional<qint64> LineIndex::time(qsizetype line) const
{
    const quint32 offset = m_lines[std::size_t(line)].time;
    if (offset == NoTime)
        return std::nullopt;
    const qint64 seq = sequence(line);
    // Nearly always one era; the newest that began at or before the line.
    auto era = m_eras.end();
    do
        --era;
    while (era != m_eras.begin() && era->firstSequence > seq);
    return era->base + offset;
}

void LineIndex::push(qint64 position)
{
    const qsizetype ended = count() - 1;
    m_lines.push_back({quint32(position), NoTime});
    const qsizetype length = endedLength(ended);
    while (!m_longest.empty() && m_longest.back().length <= length)
        m_longest.pop_back();
    m_longest.push_back({sequence(ended), length});
}

void LineIndex::stampLast(qint64 ms)
{
    Line &last = m_lines.back();
    if (last.time != NoTime)
        return;
    if (m_eras.empty() || ms < m_eras.back().base || ms - m_eras.back().base >= qint64(NoTime))
        m_eras.push_back({sequence(count() - 1), ms});
    last.time = quint32(ms - m_eras.back().base);
}

void LineIndex::popFront()
{
    m_timeBeforeFirst = time(0);
    m_lines.pop_front();
    ++m_firstSequence;
    while (m_eras.size() > 1 && m_eras[1].firstSequence <= m_firstSequence)
        m_eras.pop_front();
}

void LineIndex::removeBefore(qint64 position)
{
    while (count() > 1 && start(1) <= position)
        popFront();
    m_frontStart = position;
    m_lines.front().start = quint32(position);
    frontChanged();
}

void LineIndex::joinFirstTwo(qint64 position)
{
    popFront();
    m_frontStart = position;
    m_lines.front().start = quint32(position);
    frontChanged();
}

// The first line lost characters or gained the LF of a split break: it takes
// its place in the longest-line queue again with its new length.
void LineIndex::frontChanged()
{
    while (!m_longest.empty() && m_longest.front().sequence <= m_firstSequence)
        m_longest.pop_front();
    if (count() < 2)
        return;
    const qsizetype length = endedLength(0);
    if (m_longest.empty() || length > m_longest.front().length)
        m_longest.push_front({m_firstSequence, length});
}

void LineIndex::clear(qint64 position)
{
    m_firstSequence += count();
    m_lines.assign(1, Line{quint32(position), NoTime});
    m_eras.clear();
    m_longest.clear();
    m_frontStart = position;
    m_timeBeforeFirst.reset();
}

} // namespace quillar
