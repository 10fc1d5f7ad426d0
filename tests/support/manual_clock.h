#pragma once

#include "platform/clock.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace quillar::test {

// A clock the test moves. Timers made on it fire, earliest first, as
// advance() passes their deadlines, each seeing the clock at its own
// deadline; a thread waiting on it wakes as it moves. Its time of day moves
// with it, from 12:00:00.000 UTC on a day in 2026 (WallAtStart).
class ManualClock final : public Clock
{
public:
    static constexpr qint64 WallAtStart = 1796558400000;

    TimePoint now() const override;
    qint64 msSinceEpoch() const override;
    std::cv_status waitUntil(std::condition_variable &wake, std::unique_lock<std::mutex> &lock, TimePoint due) override;

    void advance(std::chrono::milliseconds step);
    // Threads waiting on it now: a test knows a thread reached its wait.
    [[nodiscard]] int waiters() const;
    // Every waiting thread has looked since the clock last moved.
    [[nodiscard]] bool waitersCaughtUp() const;
    // When the earliest timer made on it is due; none when no timer runs.
    [[nodiscard]] std::optional<TimePoint> nextDue() const;

protected:
    void schedule(ClockTimer &timer, TimePoint due) override;
    void cancel(ClockTimer &timer) override;

private:
    mutable std::mutex m_mutex;
    static constexpr TimePoint Start{std::chrono::hours(1)};
    TimePoint m_now = Start;
    std::map<ClockTimer *, TimePoint> m_timers;
    std::set<std::condition_variable *> m_waiting;
    std::map<std::thread::id, quint64> m_seenBy; // each waiting thread: the move it last saw
    quint64 m_moves = 0;
};

} // namespace quillar::test
