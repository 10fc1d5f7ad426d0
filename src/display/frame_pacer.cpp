#include "frame_pacer.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace quillar {

FramePacer::FramePacer(QWidget &widget, FrameClock &frames, std::chrono::milliseconds shortest)
    : QObject(&widget),
      m_widget(widget),
      m_frames(frames),
      m_shortest(shortest)
{
    connect(&frames, &FrameClock::paint, this, &FramePacer::tick);
    widget.installEventFilter(this);
}

void FramePacer::request()
{
    m_pending = true;
    if (shown())
        m_frames.request();
}

void FramePacer::flush()
{
    if (m_pending)
        give();
}

void FramePacer::tick()
{
    if (!m_pending || !shown())
        return; // the expose that shows the window again asks again
    if (m_last && m_frames.clock().now() - *m_last < m_shortest) {
        m_frames.request(); // a later tick
        return;
    }
    give();
}

void FramePacer::give()
{
    if (!shown())
        return;
    m_last = m_frames.clock().now();
    m_pending = false;
    emit frame();
}

bool FramePacer::shown() const
{
    const QWindow *native = m_widget.window()->windowHandle();
    return m_widget.isVisible() && native && native->isExposed();
}

bool FramePacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_widget && event->type() == QEvent::Show) {
        // The window is known once shown; its exposes say when it is seen again.
        if (QWindow *native = m_widget.window()->windowHandle(); native && native != m_watchedWindow) {
            native->installEventFilter(this);
            m_watchedWindow = native;
        }
    }
    if ((event->type() == QEvent::Show || event->type() == QEvent::Expose) && m_pending && shown())
        m_frames.request();
    return false;
}

} // namespace quillar
