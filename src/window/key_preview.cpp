#include "key_preview.h"

#include "key_rules.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace quillar {

KeyPreview::KeyPreview(QWidget &window, std::function<void()> onHelpKey)
    : QObject(&window),
      m_window(window),
      m_onHelpKey(std::move(onHelpKey))
{
    // Key presses go to the focused control, never to the window, so the
    // preview watches them on their way through the application.
    qApp->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !isHelpKey(*static_cast<QKeyEvent *>(event)))
        return false;
    // A press that the focused control ignores travels on to its parents; act
    // only on its first delivery, to the control that has the focus.
    QWidget *target = m_window.focusWidget() ? m_window.focusWidget() : &m_window;
    if (watched == target)
        m_onHelpKey();
    return false;
}

} // namespace quillar
