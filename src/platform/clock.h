#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace quillar {

class ClockTimer;

// The time the program's timing rules read, the wake-ups they ask for, and
// the time of day received bytes are stamped with. The program runs on the
// steady clock, wakes through Qt's timers and reads the system's wall
// clock for times of day. A test
// hands in a clock that it moves itself (tests/support/manual_clock.h): every
// ClockTimer made on it fires as the test moves past its deadline, and a
// thread waiting on it wakes, so a rule of seconds is checked without waiting
// and an absence is shown without sleeping.
class Clock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    [[nodiscard]] virtual TimePoint now() const = 0;
    // The time of day: milliseconds since the epoch, as the time column and
    // the text log show it. Read from any thread.
    [[nodiscard]] virtual qint64 msSinceEpoch() const = 0;

    // Blocks the calling thread on `wake` (with `lock` held, as
    // std::condition_variable::wait_until) until `due` has come or it is woken;
    // like a condition variable it may also return early, so the caller
    // looks at its condition again.
    virtual std::cv_status waitUntil(std::condition_variable &wake, std::unique_lock<std::mutex> &lock,
                                     TimePoint due) = 0;

    // The program's clock: std::chrono::steady_clock, waking through QTimer,
    // and the system's wall clock.
    [[nodiscard]] static Clock &steady();

protected:
    friend class ClockTimer;
    // Wakes `timer` (on its thread) once `due` has come, in place of any
    // wake-up asked for before; forgets it.
    virtual void schedule(ClockTimer &timer, TimePoint due) = 0;
    virtual void cancel(ClockTimer &timer) = 0;
    // What the clock's wake-up calls.
    static void expire(ClockTimer &timer);
    [[nodiscard]] static QTimer &underlyingTimer(ClockTimer &timer);
};

// A single-shot timer on a Clock: timeout() once, `delay` after start().
// Starting it again moves its deadline.
class ClockTimer : public QObject
{
    Q_OBJECT

public:
    explicit ClockTimer(Clock &clock = Clock::steady(), QObject *parent = nullptr);
    ~ClockTimer() override;
    ClockTimer(const ClockTimer &) = delete;
    ClockTimer &operator=(const ClockTimer &) = delete;

    void start(std::chrono::milliseconds delay);
    void stop();
    [[nodiscard]] bool isActive() const { return m_deadline.has_value(); }
    [[nodiscard]] std::optional<Clock::TimePoint> deadline() const { return m_deadline; }
    [[nodiscard]] Clock &clock() const { return m_clock; }

signals:
    void timeout();

private:
    friend class Clock;
    void expire();

    Clock &m_clock;
    std::optional<Clock::TimePoint> m_deadline;
    QTimer m_timer; // the steady clock's wake-up
};

} // namespace quillar
