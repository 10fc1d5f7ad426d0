#pragma once

#include <QAccessible>
#include <QLatin1String>

namespace quillar {

// Installs, once, the accessibility factory that gives every widget of class
// Widget the interface Interface, made from the widget.
template <typename Widget, typename Interface>
void installAccessibleFactory()
{
    static const bool installed =
        (QAccessible::installFactory([](const QString &className, QObject *object) -> QAccessibleInterface * {
             if (className == QLatin1String(Widget::staticMetaObject.className()) && object && object->isWidgetType())
                 return new Interface(static_cast<Widget *>(object));
             return nullptr;
         }),
         true);
    (void)installed;
}

} // namespace quillar
