#include "received_lines.h"

#include "byte_renderer.h"

namespace quillar {

void ReceivedLines::received(QByteArrayView bytes, const TimeMarks &marks, const ByteRenderer &renderer)
{
    std::size_t mark = 0;
    qint64 ms = marks.empty() ? 0 : marks.front().ms;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        while (mark < marks.size() && marks[mark].offset <= i)
            ms = marks[mark++].ms;
        add(bytes[i], ms);
        bool breaks = false;
        for (const QChar ch : renderer.piece(static_cast<std::uint8_t>(bytes[i]))) {
            breaks = breaks || (m_lastCr && ch == QLatin1Char('\n'));
            m_lastCr = ch == QLatin1Char('\r');
        }
        if (breaks)
            lineEnded();
    }
}

void ReceivedLines::add(char byte, qint64 ms)
{
    if (m_line.isEmpty())
        m_firstMs = ms;
    if (m_line.size() < MaxLine)
        m_line.append(byte);
}

void ReceivedLines::lineEnded()
{
    m_lastCr = false;
    if (m_line.isEmpty())
        return;
    m_sink(m_line, m_firstMs);
    m_line.resize(0);
}

} // namespace quillar
