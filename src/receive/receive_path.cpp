#include "receive_path.h"

#include "byte_renderer.h"
#include "display_buffer.h"
#include "platform/numeric_value.h"
#include "platform/guarded.h"
#include "platform/rounding.h"
#include "side_prefix.h"

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
    // Negative intervals act like 0 and huge ones are cut inside the timer.
    m_timer.setInterval(roundToInt32Clamped(NumericValue(m_settings.lineFeedTime)));
    if (input.sides.empty() || m_sideNames.size() < 2) {
        receiveRun(input, false);
    } else {
        const SideMarks &sides = input.sides;
        for (std::size_t k = 0; k < sides.size(); ++k) {
            const qsizetype to = k + 1 < sides.size() ? sides[k + 1].offset : input.bytes.size();
            if (to <= sides[k].offset)
                continue;
            if (sides[k].side != m_side && m_display.lineLength(m_display.lineCount() - 1) > 0)
                endSideLine();
            m_side = sides[k].side;
            receiveRun(stampedBetween(input, sides[k].offset, to), true);
        }
    }
    m_timer.setEnabled(true);
}

// Renders one run of bytes (of one side, when `sided`) and appends it once.
void ReceivePath::receiveRun(const StampedBytes &run, bool sided)
{
    const ByteRenderer &renderer = this->renderer();
    const QByteArray &bytes = run.bytes;
    ReceivedText text;
    text.text = renderer.render(bytes, &text.markers);
    text.marks = renderer.textMarks(bytes, run.marks);

    constexpr qint64 Largest = std::numeric_limits<qint64>::max();
    m_lineByteCount = bytes.size() > Largest - m_lineByteCount ? Largest : m_lineByteCount + bytes.size();
    if (m_lines)
        m_lines->received(bytes, run.marks, renderer);
    if (sided) {
        const bool startsLine = m_display.lineLength(m_display.lineCount() - 1) == 0;
        text = withSidePrefixes(text, sidePrefix(m_sideNames, m_side), startsLine);
    }
    m_display.appendReceived(std::move(text.text), std::move(text.marks), std::move(text.markers));
}

// The other side speaks: the line ends as its line-end rule ends it.
void ReceivePath::endSideLine()
{
    if (lineFeedInterval() > 0) {
        m_display.append(timedLineEnd(m_lineByteCount));
        m_lineByteCount = 0;
    } else {
        m_display.append(QStringLiteral("\r\n"));
    }
    endLine();
}

void ReceivePath::setSideNames(QStringList names)
{
    m_sideNames = std::move(names);
    m_side = -1;
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

void ReceivePath::sideReturned(int side)
{
    if (side == m_side)
        deviceReturned();
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
