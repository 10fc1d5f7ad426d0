#include "line_timer.h"

#include <algorithm>
#include <limits>

namespace quillar {

LineTimer::LineTimer(const Clock *clock, QObject *parent)
    : QObject(parent), m_clock(clock)
{
    // The line end must come after the whole quiet time, not up to 5% early.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &LineTimer::expireIfDue);
}

void LineTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    arm();
}

void LineTimer::setInterval(qint64 milliseconds)
{
    m_interval = static_cast<int>(std::clamp<qint64>(milliseconds, 0, std::numeric_limits<int>::max()));
    arm();
}

// The count starts again from now, as a new interval or enabling does.
void LineTimer::arm()
{
    if (!m_enabled || m_interval == 0) {
        m_deadline.reset(); // a running underlying timer finds nothing to do
        return;
    }
    const TimePoint at = now();
    m_deadline = at + std::chrono::milliseconds(m_interval);
    // A shorter interval than the one running must not wait for the old end.
    if (!m_timer.isActive() || m_timerDue > *m_deadline)
        start(at, m_interval);
}

LineTimer::TimePoint LineTimer::now() const
{
    return m_clock ? m_clock->now() : std::chrono::steady_clock::now();
}

void LineTimer::start(TimePoint at, int milliseconds)
{
    m_timerDue = at + std::chrono::milliseconds(milliseconds);
    m_timer.start(milliseconds);
}

void LineTimer::expireIfDue()
{
    if (!m_deadline)
        return;
    const TimePoint at = now();
    const auto left = *m_deadline - at;
    if (left > TimePoint::duration::zero()) {
        // Re-armed since: wait for the rest, in whole milliseconds rounded up.
        start(at, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        return;
    }
    m_deadline.reset();
    emit fired();
    // Fires again after another interval, unless the handler disarmed or
    // re-armed it.
    if (!m_deadline)
        arm();
}

} // namespace quillar
