#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

namespace quillar {

// The display's lines: where each starts, in positions counted from the
// first character the display ever held, and the time its first character
// came. A stream of line feeds in line-feed mode makes a line of every six
// characters ("[LF]" CR LF), so a line costs eight bytes: its start modulo
// 2^32 (no kept text is that long) and its time as milliseconds after the
// base of its era. An era begins where a time does not fit the one before
// (49 days later, or the clock set back).
//
// Lines leave only at the front and come only at the end. Each line has a
// sequence number that never changes, which the eras and the longest-line
// queue name lines by.
class LineIndex
{
public:
    LineIndex() { clear(0); }

    [[nodiscard]] qsizetype count() const { return qsizetype(m_lines.size()); }
    // The sequence number of the first line: it rises by one for each line
    // that leaves, and past every number used before at a clear.
    [[nodiscard]] qint64 firstSequence() const { return m_firstSequence; }
    [[nodiscard]] qint64 start(qsizetype line) const
    {
        return m_frontStart + quint32(m_lines[std::size_t(line)].start - quint32(m_frontStart));
    }
    // The line whose start is the last at or before position (absolute).
    [[nodiscard]] qsizetype lineAt(qint64 position) const;
    // When the line's first character came (ms since the epoch), if it has one.
    [[nodiscard]] std::optional<qint64> time(qsizetype line) const;
    // The time of the line just before the first, while one is known: the
    // front lost it to a cut.
    [[nodiscard]] std::optional<qint64> timeBeforeFirst() const { return m_timeBeforeFirst; }

    // A new last line starting at position; the line before it ends in a
    // CR LF just before position.
    void push(qint64 position);
    // The last line's first character came at ms, unless it already has a time.
    void stampLast(qint64 ms);
    [[nodiscard]] bool lastStamped() const { return m_lines.back().time != NoTime; }

    // The text before position (absolute) is gone: lines wholly before it go,
    // and the line that holds it now starts there.
    void removeBefore(qint64 position);
    // The first line goes and the second starts at position instead: a cut
    // left the LF of a line break alone at the front, where it joins the
    // line after it.
    void joinFirstTwo(qint64 position);
    // No lines but an empty one at position, without a time.
    void clear(qint64 position);

    // The longest line that ends in CR LF, or -1 when there is none.
    [[nodiscard]] qsizetype longestEndedLine() const { return m_longest.empty() ? -1 : m_longest.front().length; }

private:
    static constexpr quint32 NoTime = 0xFFFFFFFF;

    struct Line
    {
        quint32 start;
        quint32 time;
    };
    struct Era
    {
        qint64 firstSequence;
        qint64 base;
    };
    // Lines in the order they came whose length no later line reaches:
    // the front is the longest, however the front of the text is cut.
    struct Ended
    {
        qint64 sequence;
        qsizetype length;
    };

    [[nodiscard]] qint64 sequence(qsizetype line) const { return m_firstSequence + line; }
    [[nodiscard]] qsizetype endedLength(qsizetype line) const { return qsizetype(start(line + 1) - 2 - start(line)); }
    void popFront();
    void frontChanged();

    std::deque<Line> m_lines;
    std::deque<Era> m_eras;
    std::deque<Ended> m_longest;
    qint64 m_frontStart = 0;
    qint64 m_firstSequence = 0;
    std::optional<qint64> m_timeBeforeFirst;
};

} // namespace quillar
