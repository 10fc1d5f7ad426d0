#include "line_timer.h"

#include <algorithm>
#include <limits>

namespace quillar {

LineTimer::LineTimer(QObject *parent)
    : QObject(parent)
{
    // The line end must come after the whole quiet time, not up to 5% early.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LineTimer::Timer);
}

void LineTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void LineTimer::setInterval(qint64 milliseconds)
{
    m_interval = static_cast<int>(
        std::clamp<qint64>(milliseconds, 0, std::numeric_limits<int>::max()));
    apply();
}

void LineTimer::apply()
{
    // start() restarts the count from now, as a new interval does.
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

} // namespace quillar
