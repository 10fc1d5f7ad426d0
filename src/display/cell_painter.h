#pragma once

#include "cell_font.h"

#include <QColor>
#include <QPointF>
#include <QRectF>

#include <vector>

class QPainter;

namespace quillar {

// Draws characters into the cells of a CellFont in one colour: glyphs are
// gathered and drawn as one glyph run, with no shaping, and a control
// character is a hollow box, a character the font lacks a hollow box with a
// diagonal, so every character fills its own cell and no other.
class CellPainter
{
public:
    CellPainter(QPainter &painter, const CellFont &cells);

    // Starts drawing in colour; what was added before is drawn first.
    void begin(const QColor &colour);
    // ch in the cell whose left edge is at x, on the row whose top is at top.
    void add(QChar ch, qreal x, qreal top)
    {
        const CellFont::Cell cell = m_cells.cellFor(ch);
        if (cell.shape != CellFont::Shape::Glyph) {
            addBox(cell.shape, x, top);
            return;
        }
        m_glyphs.push_back(cell.glyph);
        m_positions.emplace_back(x + cell.xOffset, top + m_cells.ascent());
    }
    // Draws the glyphs added since begin().
    void finish();

private:
    void addBox(CellFont::Shape shape, qreal x, qreal top);

    QPainter &m_painter;
    const CellFont &m_cells;
    std::vector<quint32> m_glyphs;
    std::vector<QPointF> m_positions;
};

} // namespace quillar
