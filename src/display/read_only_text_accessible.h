#pragma once

#include <QAccessibleWidget>

namespace quillar {

// A widget that paints a read-only, multi-line text of its own, as assistive
// technology reads it: the text interface is the subclass's.
class ReadOnlyTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    ReadOnlyTextAccessible(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiLine = true;
        s.readOnly = true;
        return s;
    }
};

} // namespace quillar
