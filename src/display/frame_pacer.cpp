#include "frame_pacer.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace quillar {

FramePacer::FramePacer(QWidget &widget, std::chrono::milliseconds frame, Clock &clock)
    : QObject(&widget),
      m_widget(widget),
      m_frameTime(frame),
      m_next(clock)
{
    m_now.setSingleShot(true);
    connect(&m_next, &ClockTimer::timeout, this, &FramePacer::give);
    connect(&m_now, &QTimer::timeout, this, &FramePacer::give);
    widget.installEventFilter(this);
}

void FramePacer::request()
{
    m_pending = true;
    schedule();
}

void FramePacer::flush()
{
    if (m_pending)
        give();
}

void FramePacer::schedule()
{
    if (m_next.isActive() || m_now.isActive())
        return;
    const Clock &clock = m_next.clock();
    if (!m_last || clock.now() - *m_last >= m_frameTime)
        m_now.start(0);
    else
        m_next.start(std::chrono::ceil<std::chrono::milliseconds>(*m_last + m_frameTime - clock.now()));
}

void FramePacer::give()
{
    m_next.stop();
    m_now.stop();
    if (!shown())
        return; // the expose that shows the window again brings the frame
    m_last = m_next.clock().now();
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
    if ((event->type() == QEvent::Show || event->type() == QEvent::Expose) && m_pending)
        schedule();
    return false;
}

} // namespace quillar
