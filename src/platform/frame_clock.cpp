#include "frame_clock.h"

#include <algorithm>

namespace quillar {

FrameClock::FrameClock(std::chrono::milliseconds frame, Clock &clock, QObject *parent)
    : QObject(parent),
      m_frame(std::max(frame, std::chrono::milliseconds(0))),
      m_next(clock)
{
    m_now.setSingleShot(true);
    connect(&m_next, &ClockTimer::timeout, this, &FrameClock::tick);
    connect(&m_now, &QTimer::timeout, this, &FrameClock::tick);
}

void FrameClock::setFrame(std::chrono::milliseconds frame)
{
    m_frame = std::max(frame, std::chrono::milliseconds(0));
    if (m_next.isActive()) {
        m_next.stop();
        schedule();
    }
}

void FrameClock::request()
{
    m_requested = true;
    schedule();
}

void FrameClock::schedule()
{
    if (m_next.isActive() || m_now.isActive())
        return;
    const Clock::TimePoint now = clock().now();
    if (!m_last || now - *m_last >= m_frame)
        m_now.start(0);
    else
        m_next.start(std::chrono::ceil<std::chrono::milliseconds>(*m_last + m_frame - now));
}

void FrameClock::tick()
{
    m_next.stop();
    m_now.stop();
    if (!m_requested)
        return;
    m_requested = false;
    m_last = clock().now();
    emit handOver();
    emit paint();
}

} // namespace quillar
