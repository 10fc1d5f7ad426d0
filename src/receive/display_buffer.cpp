#include "display_buffer.h"

#include <algorithm>

namespace quillar {

DisplayBuffer::DisplayBuffer(QObject *parent)
    : QObject(parent)
{
}

void DisplayBuffer::append(QString text)
{
    if (m_observer)
        m_observer->displayAppended(text);
    if (!text.isEmpty() && text.back() == QLatin1Char('\n') && m_text.size() > TrimThreshold)
        cutFront(KeptLength);

    const qsizetype oldLength = m_text.size();
    m_text.append(text);
    indexFrom(oldLength);
    if (m_text.size() > SafetyLimit)
        cutFront(KeptLength);

    m_anchor = m_caret = m_text.size();
    emit textChanged();
    emit selectionChanged();
}

void DisplayBuffer::clear()
{
    cutFront(0);
    ++m_renumberings;
    m_anchor = m_caret = 0;
    emit textChanged();
    emit selectionChanged();
}

void DisplayBuffer::setSelection(qsizetype anchor, qsizetype caret)
{
    anchor = std::clamp<qsizetype>(anchor, 0, m_text.size());
    caret = std::clamp<qsizetype>(caret, 0, m_text.size());
    if (anchor == m_anchor && caret == m_caret)
        return;
    m_anchor = anchor;
    m_caret = caret;
    emit selectionChanged();
}

qsizetype DisplayBuffer::lineLength(qsizetype line) const
{
    const qsizetype start = lineStart(line);
    const qsizetype end = line + 1 < lineCount() ? lineStart(line + 1) - 2 : m_text.size();
    return end - start;
}

QStringView DisplayBuffer::lineText(qsizetype line) const
{
    return QStringView(m_text).mid(lineStart(line), lineLength(line));
}

qsizetype DisplayBuffer::lineOfPosition(qsizetype pos) const
{
    const qint64 at = std::clamp<qsizetype>(pos, 0, m_text.size()) + m_removedCount;
    // The last line start that is <= pos.
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), at);
    return static_cast<qsizetype>(it - m_lineStarts.begin()) - 1;
}

qsizetype DisplayBuffer::maxLineLength() const
{
    if (m_maxLineLength < 0) {
        m_maxLineLength = 0;
        for (qsizetype line = 0; line + 1 < lineCount(); ++line)
            m_maxLineLength = std::max(m_maxLineLength, lineLength(line));
    }
    return std::max(m_maxLineLength, lineLength(lineCount() - 1));
}

void DisplayBuffer::cutFront(qsizetype keep)
{
    const qsizetype removed = m_text.size() - keep;
    m_text.remove(0, removed);
    m_removedCount += removed;
    ++m_cutCount;
    // The first kept character starts a line, perhaps in the middle of one,
    // or between the CR and the LF of a break (then that LF is a character of
    // its line).
    qint64 taken = 0;
    while (!m_lineStarts.empty() && m_lineStarts.front() <= m_removedCount) {
        m_lineStarts.pop_front();
        ++taken;
    }
    m_lineStarts.push_front(m_removedCount);
    m_firstLineNumber += taken - 1; // the last line taken keeps its rest, or begins here
    if (keep > 0 && m_text.front() == QLatin1Char('\n') && m_lineStarts.size() > 1
        && m_lineStarts[1] == m_removedCount + 1) {
        // An LF left alone at the front no longer ends a break.
        m_lineStarts.erase(m_lineStarts.begin() + 1);
        ++m_renumberings;
    }
    m_maxLineLength = -1;
}

void DisplayBuffer::indexFrom(qsizetype from)
{
    // A CR at the old end may pair with an LF at the start of the new text.
    qsizetype i = std::max<qsizetype>(from - 1, lineStart(lineCount() - 1));
    const qsizetype n = m_text.size();
    const QChar *data = m_text.constData();
    for (; i + 1 < n; ++i) {
        if (data[i] == QLatin1Char('\r') && data[i + 1] == QLatin1Char('\n')) {
            if (m_maxLineLength >= 0)
                m_maxLineLength = std::max(m_maxLineLength, i - lineStart(lineCount() - 1));
            m_lineStarts.push_back(i + 2 + m_removedCount);
            ++i;
        }
    }
}

} // namespace quillar
