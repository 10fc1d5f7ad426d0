#include "manual_clock.h"

#include <algorithm>

namespace quillar::test {

Clock::TimePoint ManualClock::now() const
{
    const std::lock_guard lock(m_mutex);
    return m_now;
}

qint64 ManualClock::msSinceEpoch() const
{
    return WallAtStart + std::chrono::duration_cast<std::chrono::milliseconds>(now() - Start).count();
}

void ManualClock::advance(std::chrono::milliseconds step)
{
    std::unique_lock lock(m_mutex);
    const TimePoint end = m_now + step;
    for (;;) {
        const auto next = std::min_element(m_timers.begin(), m_timers.end(),
                                           [](const auto &a, const auto &b) { return a.second < b.second; });
        if (next == m_timers.end() || next->second > end)
            break;
        ClockTimer &timer = *next->first;
        m_now = std::max(m_now, next->second);
        m_timers.erase(next);
        lock.unlock();
        expire(timer); // its handler may start timers again
        lock.lock();
    }
    m_now = end;
    ++m_moves;
    for (std::condition_variable *wake : m_waiting)
        wake->notify_all();
}

std::cv_status ManualClock::waitUntil(std::condition_variable &wake, std::unique_lock<std::mutex> &lock, TimePoint due)
{
    const auto self = std::this_thread::get_id();
    {
        const std::lock_guard own(m_mutex);
        if (m_now >= due)
            return std::cv_status::timeout;
        m_waiting.insert(&wake);
        m_seenBy[self] = m_moves;
    }
    // Woken by the owner or by advance(), or not within a moment: then back
    // to the caller as a spurious wake-up, so that it looks again at what it
    // waits for. Waiting on here instead lost an owner's notification that
    // came while this thread took the lock back after such a moment.
    wake.wait_for(lock, std::chrono::milliseconds(2));
    const std::lock_guard own(m_mutex);
    m_seenBy.erase(self);
    if (m_seenBy.empty())
        m_waiting.clear();
    return m_now >= due ? std::cv_status::timeout : std::cv_status::no_timeout;
}

int ManualClock::waiters() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_seenBy.size());
}

bool ManualClock::waitersCaughtUp() const
{
    const std::lock_guard lock(m_mutex);
    return std::all_of(m_seenBy.begin(), m_seenBy.end(), [this](const auto &seen) { return seen.second == m_moves; });
}

std::optional<Clock::TimePoint> ManualClock::nextDue() const
{
    const std::lock_guard lock(m_mutex);
    const auto next = std::min_element(m_timers.begin(), m_timers.end(),
                                       [](const auto &a, const auto &b) { return a.second < b.second; });
    return next == m_timers.end() ? std::nullopt : std::optional(next->second);
}

void ManualClock::schedule(ClockTimer &timer, TimePoint due)
{
    const std::lock_guard lock(m_mutex);
    m_timers[&timer] = due;
}

void ManualClock::cancel(ClockTimer &timer)
{
    const std::lock_guard lock(m_mutex);
    m_timers.erase(&timer);
}

} // namespace quillar::test
