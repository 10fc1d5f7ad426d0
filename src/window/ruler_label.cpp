#include "ruler_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

namespace quillar {

RulerLabel::RulerLabel(QWidget *parent) : QLabel(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
}

void RulerLabel::setRows(const QStringList &rows)
{
    if (rows == m_rows)
        return;
    m_rows = rows;
    redraw();
}

void RulerLabel::setGrid(double firstCharLeft, double cellWidth)
{
    if (firstCharLeft == m_firstCharLeft && cellWidth == m_cellWidth)
        return;
    m_firstCharLeft = firstCharLeft;
    m_cellWidth = cellWidth;
    redraw();
}

void RulerLabel::setClipLeft(double x)
{
    if (x == m_clipLeft)
        return;
    m_clipLeft = x;
    redraw();
}

void RulerLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    redraw();
}

void RulerLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        redraw();
}

void RulerLabel::redraw()
{
    m_drawing = QPixmap();
    update();
}

void RulerLabel::paintEvent(QPaintEvent *)
{
    if (m_drawing.isNull()) {
        const qreal ratio = devicePixelRatioF();
        m_drawing = QPixmap(size() * ratio);
        m_drawing.setDevicePixelRatio(ratio);
        m_drawing.fill(palette().color(QPalette::Window));
        QPainter painter(&m_drawing);
        if (m_clipLeft > 0)
            painter.setClipRect(QRectF(m_clipLeft, 0, width() - m_clipLeft, height()));
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetricsF metrics(font());
        for (int row = 0; row < m_rows.size(); ++row) {
            const double baseline = row * metrics.lineSpacing() + metrics.ascent();
            const QString &text = m_rows[row];
            for (int i = 0; i < text.size(); ++i) {
                if (text[i] == QLatin1Char(' '))
                    continue;
                // Centred in its cell, as the display centres a glyph whose
                // advance differs from the cell.
                const QString ch(text[i]);
                const double x = charLeft(i) + (m_cellWidth - metrics.horizontalAdvance(ch)) / 2;
                painter.drawText(QPointF(x, baseline), ch);
            }
        }
    }
    QPainter(this).drawPixmap(0, 0, m_drawing);
}

} // namespace quillar
