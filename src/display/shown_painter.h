#pragma once

#include "receive/terminal_decoder.h"

#include <QColor>
#include <QFont>

#include <functional>

class QPainter;
class QStaticText;

namespace quillar {

class CellFont;
class CellPainter;

// Paints a line as the display choices show it, a cell at a time in its own
// colours and style: bold twice over a pixel apart, dim half way to the
// background, italic slanted, underline a line at the baseline, reverse with
// its colours swapped. A character the display's font lacks that is wide or
// beyond the first plane is drawn in whatever font has it.
class ShownPainter
{
public:
    struct Frame
    {
        qreal top = 0;
        qsizetype firstColumn = 0;
        qsizetype endColumn = 0;
        // Selected columns: from..to.
        qsizetype selectedFrom = 0;
        qsizetype selectedTo = 0;
        QColor text;
        QColor base;
        QColor selectedText;
        // The x of a column's left edge.
        std::function<qreal(qsizetype)> columnX;
    };

    ShownPainter(QPainter &painter, const CellFont &cells, const QFont &font);

    // The cells' own backgrounds, under marks and selection.
    void paintBackgrounds(const ShownLine &line, const Frame &frame) const;
    void paintText(CellPainter &glyphs, const ShownLine &line, const Frame &frame) const;

private:
    [[nodiscard]] static const QStaticText &laidOut(const QString &text, const QFont &font);
    [[nodiscard]] QColor foreground(const CellStyle &style, const Frame &frame) const;
    [[nodiscard]] bool visible(qsizetype column, int width, const Frame &frame) const
    {
        return column + width > frame.firstColumn && column < frame.endColumn;
    }

    QPainter &m_painter;
    const CellFont &m_cells;
    QFont m_font;
};

// The colour a style's colour names, for the display.
[[nodiscard]] QColor shownColour(quint32 colour);

} // namespace quillar
