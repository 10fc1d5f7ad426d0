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
    if (m_text.size() > SafetyLimit)
        cutFront(KeptLength);
    else
        indexFrom(oldLength);

    m_anchor = m_caret = m_text.size();
    emit textChanged();
    emit selectionChanged();
}

void DisplayBuffer::clear()
{
    m_text.clear();
    ++m_cutCount;
    m_anchor = m_caret = 0;
    rebuildLines();
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
    pos = std::clamp<qsizetype>(pos, 0, m_text.size());
    // The last line start that is <= pos.
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos);
    return static_cast<qsizetype>(it - m_lineStarts.begin()) - 1;
}

void DisplayBuffer::cutFront(qsizetype keep)
{
    m_text.remove(0, m_text.size() - keep);
    ++m_cutCount;
    rebuildLines();
}

void DisplayBuffer::rebuildLines()
{
    m_lineStarts.assign(1, 0);
    m_maxLineLength = 0;
    indexFrom(0);
}

void DisplayBuffer::indexFrom(qsizetype from)
{
    // A CR at the old end may pair with an LF at the start of the new text.
    qsizetype i = std::max<qsizetype>(from - 1, m_lineStarts.back());
    const qsizetype n = m_text.size();
    const QChar *data = m_text.constData();
    for (; i + 1 < n; ++i) {
        if (data[i] == QLatin1Char('\r') && data[i + 1] == QLatin1Char('\n')) {
            m_maxLineLength = std::max(m_maxLineLength, i - m_lineStarts.back());
            m_lineStarts.push_back(i + 2);
            ++i;
        }
    }
}

} // namespace quillar
