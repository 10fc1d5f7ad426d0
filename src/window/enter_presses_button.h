#pragma once

#include <QObject>

class QPushButton;

namespace quillar {

// Enter (either key) presses a focused push button, as Space does: a desktop
// user expects both. Only a press meant for the button itself counts, so no
// button is a default one and Enter in an entry box still presses nothing.
class EnterPressesButton : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    void installOn(QPushButton &button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace quillar
