#include "text_log.h"

#include <QDateTime>

#include <utility>

namespace quillar {

namespace {

constexpr char16_t ControlPictures = 0x2400;
constexpr char16_t DeletePicture = 0x2421;

QChar shown(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x20)
        return QChar(char16_t(ControlPictures + u));
    if (u == 0x7F)
        return QChar(DeletePicture);
    return ch;
}

} // namespace

TextLog::TextLog(Sink sink) : m_sink(std::move(sink)) { }

void TextLog::startLine(qint64 arrivedMs)
{
    // Lines that start in the same millisecond (a burst of short lines)
    // share one formatted time.
    const qint64 now = arrivedMs;
    if (now != m_stampTime) {
        m_stampTime = now;
        m_stamp = QDateTime::fromMSecsSinceEpoch(now).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz "));
    }
    m_out += m_stamp;
    if (std::exchange(m_continued, false))
        m_out += QChar(Continued);
    m_inLine = true;
}

// A CR left waiting belongs to the line, as the display shows it alone.
void TextLog::endLine()
{
    if (m_pendingCr)
        m_out += shown(QLatin1Char('\r'));
    m_pendingCr = false;
    if (m_inLine)
        m_out += QLatin1Char('\n');
    m_inLine = false;
}

void TextLog::displayAppended(QStringView text, const TimeMarks &arrived, bool newOpening)
{
    if (text.isEmpty())
        return;
    m_out.resize(0); // keeps its capacity
    m_out.reserve(text.size() + 32);
    if (newOpening && m_inLine) {
        endLine();
        m_continued = true;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (m_pendingCr) {
            m_pendingCr = false;
            if (ch == QLatin1Char('\n')) {
                m_out += QLatin1Char('\n');
                m_inLine = false;
                continue;
            }
            m_out += shown(QLatin1Char('\r'));
        }
        if (!m_inLine)
            startLine(timeAt(arrived, i));
        if (ch == QLatin1Char('\r'))
            m_pendingCr = true;
        else
            m_out += shown(ch);
    }
    m_sink(m_out.toUtf8());
}

void TextLog::finish()
{
    m_out.resize(0);
    endLine();
    if (!m_out.isEmpty())
        m_sink(m_out.toUtf8());
}

} // namespace quillar
