#pragma once

#include <QObject>
#include <QTimer>

namespace quillar {

// Timer1: a form timer with two settings. While Enabled with a non-zero
// Interval it raises Timer each time Interval milliseconds have passed since
// it was last enabled, given a new interval, or last fired. Interval 0 never
// fires. A negative interval acts like 0; one longer than the underlying
// timer takes is cut to its longest.
class LineTimer : public QObject
{
    Q_OBJECT

public:
    explicit LineTimer(QObject *parent = nullptr);

    [[nodiscard]] bool enabled() const { return m_enabled; }
    // Enabling a timer that is already enabled changes nothing.
    void setEnabled(bool enabled);

    [[nodiscard]] int interval() const { return m_interval; }
    void setInterval(qint64 milliseconds);

    // Whether it will fire: enabled with an interval above 0.
    [[nodiscard]] bool armed() const { return m_timer.isActive(); }

signals:
    void Timer();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = true;
    int m_interval = 0;
};

} // namespace quillar
