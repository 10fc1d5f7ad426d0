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

void CellPainter::add(QChar ch, qreal x, qreal top)
{
    const CellFont::Cell shape = m_cells.cellFor(ch);
    const qreal baseline = top + m_cells.ascent();
    if (shape.shape == CellFont::Shape::Glyph) {
        m_glyphs.push_back(shape.glyph);
        m_positions.emplace_back(x + shape.xOffset, baseline);
        return;
    }
    // A box from the cap height to the baseline, inside the cell.
    const QRectF box(x + 1.5, baseline - m_cells.ascent() * 0.7, std::max<qreal>(1, m_cells.cellWidth() - 3),
                     m_cells.ascent() * 0.7 - 0.5);
    m_painter.drawRect(box);
    if (shape.shape == CellFont::Shape::Missing)
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
