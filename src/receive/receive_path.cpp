#include "receive_path.h"

#include "byte_renderer.h"
#include "display_buffer.h"
#include "numeric_value.h"
#include "platform/guarded.h"
#include "platform/rounding.h"

#include <limits>

namespace quillar {

namespace {

QString boxText(const std::function<QString()> &box)
{
    return box ? box() : QString();
}

} // namespace

ReceivePath::ReceivePath(DisplayBuffer &display, ReceiveBoxes boxes, QObject *parent)
    : QObject(parent), m_display(display), m_boxes(std::move(boxes))
{
    connect(&m_timer1, &LineTimer::Timer, this,
            [this] { guarded("Timer1_Timer", [this] { Timer1_Timer(); }); });
}

void ReceivePath::ReceiveInput(const QByteArray &input)
{
    m_timer1.setEnabled(false);

    const QString lineFeedTime = boxText(m_boxes.lineFeedTime);
    const ByteRenderer &renderer =
        rendererFor(boxText(m_boxes.lowerBound), boxText(m_boxes.higherBound), lineFeedTime);
    const QString chunk = renderer.render(input);

    constexpr qint64 Largest = std::numeric_limits<qint64>::max();
    m_lineByteCount = input.size() > Largest - m_lineByteCount ? Largest
                                                                : m_lineByteCount + input.size();

    // Negative intervals act like 0 and huge ones are cut inside the timer.
    m_timer1.setInterval(roundToInt32Clamped(NumericValue(lineFeedTime)));
    m_display.append(chunk);
    m_timer1.setEnabled(true);
}

const ByteRenderer &ReceivePath::rendererFor(const QString &lowerBound, const QString &higherBound,
                                             const QString &lineFeedTime)
{
    if (!m_renderer || m_rendererBoxes[0] != lowerBound || m_rendererBoxes[1] != higherBound
        || m_rendererBoxes[2] != lineFeedTime) {
        m_renderer = ByteRenderer::fromBoxes(lowerBound, higherBound, lineFeedTime);
        m_rendererBoxes[0] = lowerBound;
        m_rendererBoxes[1] = higherBound;
        m_rendererBoxes[2] = lineFeedTime;
    }
    return *m_renderer;
}

void ReceivePath::Timer1_Timer()
{
    m_display.append(timedLineEnd(m_lineByteCount));
    m_timer1.setInterval(0);
    m_lineByteCount = 0;
}

void ReceivePath::Text1_Change()
{
    m_lineByteCount = 0;
}

qint64 ReceivePath::lineFeedInterval() const
{
    return std::max<qint64>(0, roundToInt32Clamped(NumericValue(boxText(m_boxes.lineFeedTime))));
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
    return QLatin1Char('<') + QString::number(count).rightJustified(3, QLatin1Char('0'))
        + QStringLiteral(">\r\n");
}

} // namespace quillar
