#pragma once

#include "platform/clock.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <optional>

class QWidget;
class QWindow;

namespace quillar {

// Paces how a widget catches up with a model that changes at every read:
// frame() comes at most once a frame, a frame's time after the last one, or
// in the next pass of the event loop after a rest, so that data after a
// pause shows in the wake-up that read it. While the widget's window is
// hidden or minimized no frame comes; the show or expose that brings it
// back brings the frame asked for meanwhile.
class FramePacer : public QObject
{
    Q_OBJECT

public:
    // Frames of `frame` for `widget`, timed on `clock`.
    FramePacer(QWidget &widget, std::chrono::milliseconds frame, Clock &clock = Clock::steady());

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
    void schedule();
    void give();
    [[nodiscard]] bool shown() const;

    QWidget &m_widget;
    const std::chrono::milliseconds m_frameTime;
    bool m_pending = false;
    ClockTimer m_next;
    QTimer m_now;
    std::optional<Clock::TimePoint> m_last;
    QPointer<QWindow> m_watchedWindow;
};

} // namespace quillar
