#include "status_line.h"

#include "fitted_font.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace quillar {

namespace {

class StatusLineAccessible final : public QAccessibleWidget
{
public:
    explicit StatusLineAccessible(StatusLine *line) : QAccessibleWidget(line, QAccessible::StatusBar) { }

    QString text(QAccessible::Text t) const override
    {
        const auto *line = static_cast<const StatusLine *>(object());
        if (t == QAccessible::Name || t == QAccessible::Value)
            return line->text();
        if (t == QAccessible::Description)
            return line->detail();
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

StatusLine::StatusLine(const QString &text, QWidget *parent) : QLabel(text, parent), m_designFont(font())
{
    static const bool installed = (QAccessible::installFactory(statusLineFactory), true);
    (void)installed;
}

void StatusLine::setStatus(const QString &text)
{
    // A new text is announced by QLabel itself; the same text written again
    // (a line error that happens twice) is news too.
    const bool same = text == this->text();
    m_detail.clear();
    setText(text);
    fit();
    if (same && QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void StatusLine::setDetail(const QString &detail)
{
    m_detail = detail;
    fit();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void StatusLine::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

qreal StatusLine::textRoom() const
{
    return contentsRect().width() - 2 * margin();
}

void StatusLine::fit()
{
    const QFont fitted = fittedFont(m_designFont, text(), textRoom(), this, false, ReadableStretch);
    if (fitted != font())
        setFont(fitted);
    m_elided = textWidth(fitted, text(), this) > textRoom();
    const QString tip = m_elided && !m_detail.isEmpty() ? text() + QStringLiteral("\n") + m_detail
        : m_elided                                      ? text()
                                                        : m_detail;
    if (tip != toolTip())
        setToolTip(tip);
    update();
}

void StatusLine::paintEvent(QPaintEvent *event)
{
    if (!m_elided) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const QString shown = QFontMetricsF(font(), this).elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

} // namespace quillar
