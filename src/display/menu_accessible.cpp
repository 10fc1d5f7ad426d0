#include "menu_accessible.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QPointer>

namespace quillar {

namespace {

QList<QWidget *> openMenus()
{
    QList<QWidget *> menus;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && qobject_cast<QMenu *>(w))
            menus << w;
    }
    return menus;
}

class ApplicationWithMenus final : public QAccessibleApplication
{
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(openMenus().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows)
            return QAccessibleApplication::child(index);
        const QList<QWidget *> menus = openMenus();
        return index - windows < menus.size() ? QAccessible::queryAccessibleInterface(menus[index - windows]) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const int index = QAccessibleApplication::indexOfChild(child);
        if (index >= 0 || !child)
            return index;
        const int menu = int(openMenus().indexOf(qobject_cast<QWidget *>(child->object())));
        return menu < 0 ? -1 : QAccessibleApplication::childCount() + menu;
    }
};

QAccessibleInterface *applicationFactory(const QString &className, QObject *object)
{
    if (object == qApp && className == QLatin1String("QApplication"))
        return new ApplicationWithMenus;
    return nullptr;
}

class ShownAnnouncer final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && QAccessible::isActive()) {
            QAccessibleEvent created(watched, QAccessible::ObjectCreated);
            QAccessible::updateAccessibility(&created);
        }
        return false;
    }
};

} // namespace

void installMenuAccessibility()
{
    static const bool installed = (QAccessible::installFactory(applicationFactory), true);
    (void)installed;
}

void announceWhenShown(QMenu &menu)
{
    auto *announcer = new ShownAnnouncer(&menu);
    menu.installEventFilter(announcer);
    for (QMenu *submenu : menu.findChildren<QMenu *>())
        submenu->installEventFilter(announcer);
}

} // namespace quillar
