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
    if (m_drawingNow || underMouse() || isSliderDown()) {
        m_drawn.reset();
        QScrollBar::paintEvent(event);
        return;
    }
    const Look now = look();
    if (now != m_drawn) {
        m_drawing = QPixmap(size() * now.pixelRatio);
        m_drawing.setDevicePixelRatio(now.pixelRatio);
        m_drawing.fill(palette().color(backgroundRole()));
        m_drawingNow = true;
        render(&m_drawing, QPoint(), QRegion(), RenderFlags(DrawWindowBackground));
        m_drawingNow = false;
        m_drawn = now;
    }
    QPainter(this).drawPixmap(0, 0, m_drawing);
}

} // namespace quillar
