#include "enter_presses_button.h"

#include <QKeyEvent>
#include <QPushButton>

namespace quillar {

void EnterPressesButton::installOn(QPushButton &button)
{
    button.installEventFilter(this);
}

bool EnterPressesButton::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // A held key presses once, as a held Space does.
    if (!key->isAutoRepeat())
        static_cast<QPushButton *>(watched)->click();
    return true;
}

} // namespace quillar
