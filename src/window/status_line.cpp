#include "status_line.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace quillar {

namespace {

class StatusLineAccessible final : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(StatusLine *line) : QAccessibleWidget(line, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return static_cast<const StatusLine *>(object())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *statusLineFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(StatusLine::staticMetaObject.className()) && object && object->isWidgetType())
        return new StatusLineAccessible(static_cast<StatusLine *>(object));
    return nullptr;
}

} // namespace

StatusLine::StatusLine(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    static const bool installed = (QAccessible::installFactory(statusLineFactory), true);
    (void)installed;
}

void StatusLine::setStatus(const QString &text)
{
    // A new text is announced by QLabel itself; the same text written again
    // (a line error that happens twice) is news too.
    const bool same = text == this->text();
    setText(text);
    if (same && QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace quillar
