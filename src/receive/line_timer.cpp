#include "line_timer.h"

#include <algorithm>
#include <limits>

namespace quillar {

LineTimer::LineTimer(Clock &clock, QObject *parent) : QObject(parent), m_clock(clock), m_timer(clock)
{
    connect(&m_timer, &ClockTimer::timeout, this, &LineTimer::expireIfDue);
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
    m_deadline = m_clock.now() + std::chrono::milliseconds(m_interval);
    // A shorter interval than the one running must not wait for the old end.
    if (!m_timer.isActive() || *m_timer.deadline() > *m_deadline)
        m_timer.start(std::chrono::milliseconds(m_interval));
}

void LineTimer::expireIfDue()
{
    if (!m_deadline)
        return;
    const auto left = *m_deadline - m_clock.now();
    if (left > TimePoint::duration::zero()) {
        // Re-armed since: wait for the rest, in whole milliseconds rounded up.
        m_timer.start(std::chrono::ceil<std::chrono::milliseconds>(left));
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
