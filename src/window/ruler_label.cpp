#include "ruler_label.h"

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
    m_rows = rows;
    update();
}

void RulerLabel::setGrid(double firstCharLeft, double cellWidth)
{
    m_firstCharLeft = firstCharLeft;
    m_cellWidth = cellWidth;
    update();
}

void RulerLabel::setClipLeft(double x)
{
    if (x == m_clipLeft)
        return;
    m_clipLeft = x;
    update();
}

void RulerLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
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

} // namespace quillar
