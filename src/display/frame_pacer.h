#pragma once

#include "platform/frame_clock.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <optional>

class QWidget;
class QWindow;

namespace quillar {

// Paces how a widget catches up with a model that changes at every read:
// frame() comes on a tick of the program's frame clock, after that tick's
// hand-over, and at least `shortest` after the last frame (the clock ticks
// faster while a short quiet time ends lines). While the widget's window is
// hidden or minimized no frame comes; the show or expose that brings it back
// brings the frame asked for meanwhile.
class FramePacer : public QObject
{
    Q_OBJECT

public:
    FramePacer(QWidget &widget, FrameClock &frames, std::chrono::milliseconds shortest);

    // Something changed: a frame is due.
    void request();
    // Whether a frame was asked for and has not come yet.
    [[nodiscard]] bool pending() const { return m_pending; }
    // The frame asked for, now rather than at its time.
    void flush();

signals:
    void frame();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tick();
    void give();
    [[nodiscard]] bool shown() const;

    QWidget &m_widget;
    FrameClock &m_frames;
    const std::chrono::milliseconds m_shortest;
    bool m_pending = false;
    std::optional<Clock::TimePoint> m_last;
    QPointer<QWindow> m_watchedWindow;
};

} // namespace quillar
