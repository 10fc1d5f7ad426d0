#pragma once

#include "clock.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace quillar {

// The program's one frame. What the port read is handed over and the display
// catches up with it on the same tick, in that order, so that a paint shows
// its own frame's bytes rather than waiting for the next frame. A tick comes
// only when asked for, at most once a frame: in the next pass of the event
// loop after a rest (data after a pause shows in the wake-up that read it),
// otherwise a frame's length after the last tick.
class FrameClock : public QObject
{
    Q_OBJECT

public:
    // 25 frames a second: text moves as readably as at the screen's rate,
    // and a busy line costs less than half the CPU.
    static constexpr std::chrono::milliseconds DisplayFrame{40};

    explicit FrameClock(std::chrono::milliseconds frame, Clock &clock = Clock::steady(), QObject *parent = nullptr);

    [[nodiscard]] std::chrono::milliseconds frame() const { return m_frame; }
    // A new length counts from the last tick, for a tick already asked for too.
    void setFrame(std::chrono::milliseconds frame);
    [[nodiscard]] Clock &clock() const { return m_next.clock(); }

    // Something is due: a tick.
    void request();

signals:
    // Each tick: first the hand-over, then the paint.
    void handOver();
    void paint();

private:
    void schedule();
    void tick();

    std::chrono::milliseconds m_frame;
    bool m_requested = false;
    ClockTimer m_next;
    QTimer m_now;
    std::optional<Clock::TimePoint> m_last;
};

} // namespace quillar
