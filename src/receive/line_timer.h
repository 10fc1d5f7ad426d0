#pragma once

#include "platform/clock.h"

#include <QObject>

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
    using TimePoint = Clock::TimePoint;

    // clock: the program's steady clock, or a test's; it must outlive the
    // timer.
    explicit LineTimer(Clock &clock = Clock::steady(), QObject *parent = nullptr);

    [[nodiscard]] bool enabled() const { return m_enabled; }
    // Enabling a timer that is already enabled changes nothing.
    void setEnabled(bool enabled);

    [[nodiscard]] int interval() const { return m_interval; }
    void setInterval(qint64 milliseconds);

    // Whether it will fire: enabled with an interval above 0.
    [[nodiscard]] bool armed() const { return m_deadline.has_value(); }

signals:
    void fired(); // Timer1's event

private:
    void arm();
    // Fires if its time has come: what the underlying timer runs when it
    // expires. Too early, it waits for the rest.
    void expireIfDue();

    Clock &m_clock;
    ClockTimer m_timer;
    bool m_enabled = true;
    int m_interval = 0;
    std::optional<TimePoint> m_deadline;
};

} // namespace quillar
