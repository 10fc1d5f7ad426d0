#include "cell_painter.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>

namespace quillar {

CellPainter::CellPainter(QPainter &painter, const CellFont &cells) : m_painter(painter), m_cells(cells) { }

void CellPainter::begin(const QColor &colour)
{
    finish();
    m_painter.setPen(QPen(colour, 1));
    m_painter.setBrush(Qt::NoBrush);
}

void CellPainter::addBox(CellFont::Shape shape, qreal x, qreal top)
{
    // A box from the cap height to the baseline, inside the cell.
    const qreal baseline = top + m_cells.ascent();
    const QRectF box(x + 1.5, baseline - m_cells.ascent() * 0.7, std::max<qreal>(1, m_cells.cellWidth() - 3),
                     m_cells.ascent() * 0.7 - 0.5);
    m_painter.drawRect(box);
    if (shape == CellFont::Shape::Missing)
        m_painter.drawLine(box.bottomLeft(), box.topRight());
}

void CellPainter::finish()
{
    if (!m_glyphs.empty() && m_cells.rawFont().isValid()) {
        QGlyphRun run;
        run.setRawFont(m_cells.rawFont());
        run.setRawData(m_glyphs.data(), m_positions.data(), static_cast<int>(m_glyphs.size()));
        m_painter.drawGlyphRun(QPointF(0, 0), run);
    }
    m_glyphs.clear();
    m_positions.clear();
}

} // namespace quillar
