#include "quiet_scroll_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace quillar {

QuietScrollBar::QuietScrollBar(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent) {}

QuietScrollBar::Look QuietScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {size(),
            style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(),
            value() == maximum(),
            isEnabled(),
            palette().cacheKey(),
            devicePixelRatioF()};
}

void QuietScrollBar::paintEvent(QPaintEvent *event)
{
    if (underMouse() || isSliderDown()) {
        m_drawn.reset();
        QScrollBar::paintEvent(event);
        return;
    }
    const Look now = look();
    if (now != m_drawn) {
        m_drawing = QPixmap(size() * now.pixelRatio);
        m_drawing.setDevicePixelRatio(now.pixelRatio);
        m_drawing.fill(palette().color(backgroundRole()));
        // What QScrollBar draws with no part hovered or pressed, straight into
        // the pixmap: rendering the widget itself from its own paint event is
        // a recursive repaint that Qt refuses.
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_All;
        QPainter painter(&m_drawing);
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        m_drawn = now;
    }
    QPainter(this).drawPixmap(0, 0, m_drawing);
}

} // namespace quillar
