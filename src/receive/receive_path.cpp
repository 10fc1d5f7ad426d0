#include "receive_path.h"

#include "byte_renderer.h"
#include "display_buffer.h"
#include "platform/numeric_value.h"
#include "platform/guarded.h"
#include "platform/rounding.h"

#include <limits>

namespace quillar {

ReceivePath::ReceivePath(DisplayBuffer &display, ReceiveSettings settings, Clock &clock, QObject *parent)
    : QObject(parent),
      m_display(display),
      m_settings(std::move(settings)),
      m_timer(clock)
{
    connect(&m_timer, &LineTimer::fired, this, [this] { guarded("line timeout", [this] { lineTimeout(); }); });
}

void ReceivePath::setSettings(ReceiveSettings settings)
{
    if (settings == m_settings)
        return;
    m_settings = std::move(settings);
    m_renderer.reset();
}

void ReceivePath::receive(const StampedBytes &input)
{
    m_timer.setEnabled(false);

    const ByteRenderer &renderer = this->renderer();
    const QByteArray &bytes = input.bytes;
    std::vector<quint64> markers;
    QString chunk = renderer.render(bytes, &markers);

    constexpr qint64 Largest = std::numeric_limits<qint64>::max();
    m_lineByteCount = bytes.size() > Largest - m_lineByteCount ? Largest : m_lineByteCount + bytes.size();

    // Negative intervals act like 0 and huge ones are cut inside the timer.
    m_timer.setInterval(roundToInt32Clamped(NumericValue(m_settings.lineFeedTime)));
    if (m_lines)
        m_lines->received(bytes, input.marks, renderer);
    m_display.appendReceived(std::move(chunk), renderer.textMarks(bytes, input.marks), std::move(markers));
    m_timer.setEnabled(true);
}

const ByteRenderer &ReceivePath::renderer()
{
    if (!m_renderer)
        m_renderer = ByteRenderer::fromBoxes(m_settings.lowerBound, m_settings.higherBound, m_settings.lineFeedTime);
    return *m_renderer;
}

void ReceivePath::lineTimeout()
{
    m_display.append(timedLineEnd(m_lineByteCount));
    endLine();
    m_timer.setInterval(0);
    m_lineByteCount = 0;
}

void ReceivePath::lineFeedTimeChanged()
{
    m_lineByteCount = 0;
}

void ReceivePath::deviceReturned()
{
    if (!m_timer.armed() && m_display.lineLength(m_display.lineCount() - 1) > 0) {
        m_display.append(QStringLiteral("\r\n"));
        endLine();
    }
}

void ReceivePath::forcedLineFeed()
{
    m_display.append(QStringLiteral("(LF)\r\n"));
    endLine();
}

void ReceivePath::setLineSink(ReceivedLines::Sink sink)
{
    if (sink)
        m_lines.emplace(std::move(sink));
    else
        m_lines.reset();
}

void ReceivePath::endLine()
{
    if (m_lines)
        m_lines->lineEnded();
}

qint64 ReceivePath::lineFeedInterval() const
{
    return std::max<qint64>(0, roundToInt32Clamped(NumericValue(m_settings.lineFeedTime)));
}

qint64 ReceivePath::lineByteCount() const
{
    return m_lineByteCount;
}

void ReceivePath::setLineByteCount(qint64 count)
{
    m_lineByteCount = std::max<qint64>(count, 0);
}

QString ReceivePath::timedLineEnd(qint64 count)
{
    return QLatin1Char('<') + QString::number(count).rightJustified(3, QLatin1Char('0')) + QStringLiteral(">\r\n");
}

} // namespace quillar
