#include "display_buffer.h"

#include "platform/codepage.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillar {

void DisplayChange::merge(const DisplayChange &later)
{
    text = text || later.text;
    renumbered = renumbered || later.renumbered;
    linesCut += later.linesCut;
    linesFrom = std::min(linesFrom, later.linesFrom);
    selectionFrom = std::min(selectionFrom, later.selectionFrom);
    selectionTo = std::max(selectionTo, later.selectionTo);
}

DisplayBuffer::DisplayBuffer(QObject *parent, ArrivalClock clock) : QObject(parent), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

QString DisplayBuffer::mid(qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - from);
    QString text(count, Qt::Uninitialized);
    m_text.decode(from, count, text.data());
    return text;
}

void DisplayBuffer::append(QString text)
{
    append(std::move(text), TimeMarks{{0, m_clock()}}, false);
}

void DisplayBuffer::appendReceived(QString text, TimeMarks arrived, std::vector<quint64> markers)
{
    append(std::move(text), std::move(arrived), true, markers);
}

void DisplayBuffer::append(QString text, TimeMarks arrived, bool received, const std::vector<quint64> &markers)
{
    if (!text.isEmpty() && (arrived.empty() || arrived.front().offset > 0))
        arrived.insert(arrived.begin(), {0, m_clock()});
    const bool newOpening = received && !text.isEmpty() && std::exchange(m_openedSinceReceived, false);
    if (m_observer)
        m_observer->displayAppended(text, arrived, newOpening);
    const bool follow = m_following && selLength() == 0;
    const qint64 anchorBefore = m_anchor + m_removedCount;
    const qint64 caretBefore = m_caret + m_removedCount;
    const qint64 firstBefore = firstLineNumber();
    const qint64 removedBefore = m_removedCount;
    // The text grows from the last line on.
    DisplayChange change{.text = true, .linesFrom = firstBefore + lineCount() - 1};

    if (!text.isEmpty() && text.back() == QLatin1Char('\n') && length() > m_limits.threshold)
        cutFront(m_limits.kept);
    if (!text.isEmpty()) {
        const QByteArray bytes = encodeText(text);
        const qsizetype oldLength = length();
        m_lines.stampLast(arrived.front().ms);
        const qint64 lastBefore = firstLineNumber() + lineCount() - 1;
        m_text.append(bytes.constData(), bytes.size(), markers.empty() ? nullptr : markers.data());
        indexFrom(oldLength, arrived);
        if (m_choices.colours)
            carryColours(lastBefore, firstLineNumber() + lineCount() - 1);
    }
    if (length() > m_limits.safety)
        cutFront(m_limits.kept);

    if (follow)
        m_anchor = m_caret = length();
    change.linesCut = firstLineNumber() - firstBefore;
    change.linesFrom = std::max(change.linesFrom, firstLineNumber());
    if (m_removedCount != removedBefore)
        change.linesFrom = firstLineNumber(); // line 0 may have lost its front
    const bool selectionMoved =
        follow || m_anchor + m_removedCount != anchorBefore || m_caret + m_removedCount != caretBefore;
    if (selectionMoved)
        addSelectionMove(change, std::min(anchorBefore, caretBefore), std::max(anchorBefore, caretBefore));
    emit changed(change);
    emit textChanged();
    if (selectionMoved)
        emit selectionChanged();
}

void DisplayBuffer::clear()
{
    m_removedCount += length();
    m_text.clear();
    m_lines.clear(m_removedCount);
    m_carry.clear();
    m_anchor = m_caret = 0;
    emit changed({.text = true,
                  .renumbered = true,
                  .linesFrom = firstLineNumber(),
                  .selectionFrom = firstLineNumber(),
                  .selectionTo = firstLineNumber()});
    emit textChanged();
    emit selectionChanged();
}

void DisplayBuffer::setSelection(qsizetype anchor, qsizetype caret)
{
    anchor = std::clamp<qsizetype>(anchor, 0, length());
    caret = std::clamp<qsizetype>(caret, 0, length());
    if (anchor == m_anchor && caret == m_caret)
        return;
    const qint64 before = std::min(m_anchor, m_caret) + m_removedCount;
    const qint64 beforeEnd = std::max(m_anchor, m_caret) + m_removedCount;
    m_anchor = anchor;
    m_caret = caret;
    DisplayChange change;
    addSelectionMove(change, before, beforeEnd);
    emit changed(change);
    emit selectionChanged();
}

qsizetype DisplayBuffer::lineLength(qsizetype line) const
{
    const qsizetype start = lineStart(line);
    const qsizetype end = line + 1 < lineCount() ? lineStart(line + 1) - 2 : length();
    return end - start;
}

qsizetype DisplayBuffer::lineOfPosition(qsizetype pos) const
{
    return m_lines.lineAt(std::clamp<qsizetype>(pos, 0, length()) + m_removedCount);
}

qint64 DisplayBuffer::lineNumberAt(qint64 absolutePosition) const
{
    const qint64 position = absolutePosition - m_removedCount;
    return firstLineNumber() + (position <= 0 ? 0 : lineOfPosition(qsizetype(position)));
}

void DisplayBuffer::addSelectionMove(DisplayChange &change, qint64 from, qint64 to) const
{
    const qint64 start = selStart() + m_removedCount;
    change.selectionFrom = lineNumberAt(std::min(from, start));
    change.selectionTo = lineNumberAt(std::max(to, start + selLength()));
}

qsizetype DisplayBuffer::maxLineLength() const
{
    return std::max(m_lines.longestEndedLine(), lineLength(lineCount() - 1));
}

void DisplayBuffer::markPortOpened(qint64 now)
{
    // Opens before the first line's own are of no more use, but the last one.
    const std::optional<qint64> first = m_lines.time(0);
    while (first && m_opened.size() > 1 && m_opened[1] <= *first)
        m_opened.erase(m_opened.begin());
    if (!m_opened.empty() && now < m_opened.back())
        m_opened.clear(); // the clock was set back: the older ones would answer wrongly
    m_opened.push_back(now);
    m_openedSinceReceived = true;
}

std::optional<qint64> DisplayBuffer::openedBefore(qint64 ms) const
{
    const auto after = std::upper_bound(m_opened.begin(), m_opened.end(), ms);
    if (after == m_opened.begin())
        return std::nullopt;
    return *(after - 1);
}

void DisplayBuffer::cutFront(qsizetype keep)
{
    const qsizetype removed = length() - keep;
    m_text.removeFront(removed);
    m_removedCount += removed;
    // The first kept character starts a line, perhaps in the middle of one,
    // which keeps its time.
    m_lines.removeBefore(m_removedCount);
    m_carry.dropBefore(firstLineNumber());
    if (keep > 0 && m_text.at(0) == '\n' && lineCount() > 1 && m_lines.start(1) == m_removedCount + 1) {
        // An LF left alone at the front no longer ends a break: it joins the
        // line after it, which keeps its number and time.
        m_lines.joinFirstTwo(m_removedCount);
    }
    m_anchor = std::max<qsizetype>(0, m_anchor - removed);
    m_caret = std::max<qsizetype>(0, m_caret - removed);
}

void DisplayBuffer::indexFrom(qsizetype from, const TimeMarks &arrived)
{
    // A CR at the old end may pair with an LF at the start of the new text.
    const qsizetype n = length();
    const qsizetype begin = std::max<qsizetype>({from, lineStart(lineCount() - 1) + 1, 1});
    if (begin >= n)
        return;
    m_text.forEachPiece(begin, n, [&, at = begin](const char *bytes, qsizetype count) mutable {
        const char *p = bytes;
        const char *end = bytes + count;
        while (const void *found = std::memchr(p, '\n', std::size_t(end - p))) {
            const auto *lf = static_cast<const char *>(found);
            const qsizetype pos = at + (lf - bytes);
            if (m_text.at(pos - 1) == '\r') {
                m_lines.push(m_removedCount + pos + 1);
                if (pos + 1 < n)
                    m_lines.stampLast(timeAt(arrived, pos + 1 - from));
            }
            p = lf + 1;
        }
        at += count;
    });
}

} // namespace quillar
