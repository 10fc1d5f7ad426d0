#pragma once

#include <QFont>
#include <QRawFont>

#include <vector>

class QPaintDevice;

namespace quillar {

// One font laid out as a grid of equal cells: every character takes exactly
// one cell, so column k stands at a fixed x whatever precedes it. Glyphs are
// looked up one character at a time in the font's own character map, with no
// shaping, ligatures or fallback fonts that could change a width.
class CellFont
{
public:
    // How a character is drawn in its cell.
    enum class Shape : quint8 {
        Glyph,   // the font's glyph, centred in the cell
        Control, // a control character (C0, DEL, C1): a hollow box
        Missing, // a character the font lacks: a hollow box with a diagonal
    };

    struct Cell
    {
        Shape shape = Shape::Missing;
        quint32 glyph = 0;
        qreal xOffset = 0; // centres a glyph whose advance differs from the cell
    };

    explicit CellFont(const QFont &font, const QPaintDevice *device = nullptr);

    // The width of one cell: the advance of "0" in the font, unrounded, so a
    // label in the same font puts column k at the same x.
    [[nodiscard]] qreal cellWidth() const { return m_cellWidth; }
    // Whole pixels, so rows stay crisp.
    [[nodiscard]] int lineHeight() const { return m_lineHeight; }
    [[nodiscard]] qreal ascent() const { return m_ascent; }
    [[nodiscard]] const QRawFont &rawFont() const { return m_rawFont; }

    [[nodiscard]] Cell cellFor(QChar ch) const;

private:
    [[nodiscard]] Cell lookUp(QChar ch) const;

    QRawFont m_rawFont;
    qreal m_cellWidth = 1;
    int m_lineHeight = 1;
    qreal m_ascent = 0;
    // Looked-up cells of the first code points, which cover everything the
    // code page can put on the display.
    static constexpr char16_t CachedRange = 0x2500;
    mutable std::vector<Cell> m_cache;
    mutable std::vector<bool> m_cached;
};

} // namespace quillar
