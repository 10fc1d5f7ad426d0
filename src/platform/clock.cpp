#include "clock.h"

#include <QDateTime>

#include <algorithm>
#include <climits>

namespace quillar {

namespace {

class SteadyClock final : public Clock
{
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    qint64 msSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }

    std::cv_status waitUntil(std::condition_variable &wake, std::unique_lock<std::mutex> &lock, TimePoint due) override
    {
        return wake.wait_until(lock, due);
    }

protected:
    void schedule(ClockTimer &timer, TimePoint due) override
    {
        // Whole milliseconds, rounded up: a deadline is never met early.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now());
        underlyingTimer(timer).start(static_cast<int>(std::clamp<qint64>(left.count(), 0, INT_MAX)));
    }
    void cancel(ClockTimer &timer) override { underlyingTimer(timer).stop(); }
};

} // namespace

Clock &Clock::steady()
{
    static SteadyClock clock;
    return clock;
}

void Clock::expire(ClockTimer &timer)
{
    timer.expire();
}

QTimer &Clock::underlyingTimer(ClockTimer &timer)
{
    return timer.m_timer;
}

ClockTimer::ClockTimer(Clock &clock, QObject *parent) : QObject(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ClockTimer::expire);
}

ClockTimer::~ClockTimer()
{
    if (m_deadline)
        m_clock.cancel(*this);
}

void ClockTimer::start(std::chrono::milliseconds delay)
{
    m_deadline = m_clock.now() + std::max(delay, std::chrono::milliseconds(0));
    m_clock.schedule(*this, *m_deadline);
}

void ClockTimer::stop()
{
    if (!m_deadline)
        return;
    m_deadline.reset();
    m_clock.cancel(*this);
}

void ClockTimer::expire()
{
    if (!m_deadline)
        return;
    if (m_clock.now() < *m_deadline) {
        m_clock.schedule(*this, *m_deadline); // woken early: wait for the rest
        return;
    }
    m_deadline.reset();
    emit timeout();
}

} // namespace quillar
