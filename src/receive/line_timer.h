#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace quillar {

// Timer1: a form timer with two settings. While Enabled with a non-zero
// Interval it raises Timer each time Interval milliseconds have passed since
// it was last enabled, given a new interval, or last fired. Interval 0 never
// fires. A negative interval acts like 0; one longer than the underlying
// timer takes is cut to its longest.
//
// Every read of received data holds the timer and arms it again, a thousand
// times a second on a busy line. So arming only moves a deadline; the
// underlying timer runs on to the old one and, finding a later deadline
// there, waits for the rest.
class LineTimer : public QObject
{
    Q_OBJECT

public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Where the timer reads the time. The program uses the steady clock;
    // tests set the time themselves, so the timing rules are checked to the
    // millisecond without waiting on the wall clock.
    class Clock
    {
    public:
        virtual ~Clock() = default;
        [[nodiscard]] virtual TimePoint now() const = 0;
    };

    // clock: nullptr for the steady clock; otherwise it must outlive the timer.
    explicit LineTimer(const Clock *clock = nullptr, QObject *parent = nullptr);

    [[nodiscard]] bool enabled() const { return m_enabled; }
    // Enabling a timer that is already enabled changes nothing.
    void setEnabled(bool enabled);

    [[nodiscard]] int interval() const { return m_interval; }
    void setInterval(qint64 milliseconds);

    // Whether it will fire: enabled with an interval above 0.
    [[nodiscard]] bool armed() const { return m_deadline.has_value(); }

    // Fires if its time has come: what the underlying timer runs when it
    // expires. Too early, it waits for the rest.
    void expireIfDue();

signals:
    void fired(); // Timer1's event

private:
    void arm();
    void start(TimePoint at, int milliseconds);
    [[nodiscard]] TimePoint now() const;

    const Clock *m_clock;
    QTimer m_timer;
    bool m_enabled = true;
    int m_interval = 0;
    std::optional<TimePoint> m_deadline;
    TimePoint m_timerDue; // when m_timer, while active, fires
};

} // namespace quillar
