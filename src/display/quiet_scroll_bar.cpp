#include "quiet_scroll_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace quillar {

QuietScrollBar::QuietScrollBar(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent) { }

QuietScrollBar::Look QuietScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const bool atMinimum = value() == minimum();
    const bool atMaximum = value() == maximum();
    QRect slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    // At an end the slider is at that end. Past half a million lines the
    // style works its place out in floating point, a pixel one way or the
    // other as the range grows: at the end of a long text following its
    // stream, that was a whole drawing at every frame.
    if (atMinimum || atMaximum)
        slider.moveTopLeft(QPoint());
    return {size(), slider, atMinimum, atMaximum, isEnabled(), palette().cacheKey(), devicePixelRatioF()};
}

void QuietScrollBar::sliderChange(SliderChange change)
{
    if (m_drawn && !underMouse() && !isSliderDown() && look() == *m_drawn)
        return;
    QScrollBar::sliderChange(change);
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
