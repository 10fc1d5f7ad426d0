#include "shown_painter.h"

#include "cell_painter.h"

#include <QHash>
#include <QPainter>
#include <QStaticText>

namespace quillar {

QColor shownColour(quint32 colour)
{
    return QColor::fromRgb(colourRgb(colour));
}

ShownPainter::ShownPainter(QPainter &painter, const CellFont &cells, const QFont &font)
    : m_painter(painter),
      m_cells(cells),
      m_font(font)
{ }

void ShownPainter::paintBackgrounds(const ShownLine &line, const Frame &frame) const
{
    if (line.background != CellStyle::Default) {
        const qreal left = frame.columnX(frame.firstColumn);
        m_painter.fillRect(QRectF(left, frame.top, frame.columnX(frame.endColumn) - left, m_cells.lineHeight()),
                           shownColour(line.background));
    }
    for (const ShownCell &cell : line.cells) {
        const qsizetype column = line.column[std::size_t(cell.from)];
        const CellStyle &style = cell.style;
        if (!visible(column, cell.width, frame))
            continue;
        QColor back;
        if (style.has(CellStyle::Reverse))
            back = style.foreground == CellStyle::Default ? frame.text : shownColour(style.foreground);
        else if (style.background != CellStyle::Default)
            back = shownColour(style.background);
        if (back.isValid()) {
            const qreal x = frame.columnX(column);
            m_painter.fillRect(QRectF(x, frame.top, frame.columnX(column + cell.width) - x, m_cells.lineHeight()),
                               back);
        }
    }
}

QColor ShownPainter::foreground(const CellStyle &style, const Frame &frame) const
{
    QColor colour;
    if (style.has(CellStyle::Reverse))
        colour = style.background == CellStyle::Default ? frame.base : shownColour(style.background);
    else
        colour = style.foreground == CellStyle::Default ? frame.text : shownColour(style.foreground);
    if (style.has(CellStyle::Dim)) {
        colour = QColor((colour.red() + frame.base.red()) / 2, (colour.green() + frame.base.green()) / 2,
                        (colour.blue() + frame.base.blue()) / 2);
    }
    return colour;
}

void ShownPainter::paintText(CellPainter &glyphs, const ShownLine &line, const Frame &frame) const
{
    QColor current;
    struct Later
    {
        QString text;
        QRectF cell;
        QColor colour;
        bool italic;
    };
    std::vector<Later> later;
    for (const ShownCell &cell : line.cells) {
        const qsizetype column = line.column[std::size_t(cell.from)];
        if (!visible(column, cell.width, frame))
            continue;
        const bool selected = column >= frame.selectedFrom && column < frame.selectedTo;
        const QColor colour = selected ? frame.selectedText : foreground(cell.style, frame);
        const qreal x = frame.columnX(column);
        const QRectF area(x, frame.top, frame.columnX(column + cell.width) - x, m_cells.lineHeight());
        const bool italic = cell.style.has(CellStyle::Italic);
        const bool plane0 = cell.code <= 0xFFFF;
        const CellFont::Cell shape = plane0 ? m_cells.cellFor(QChar(char16_t(cell.code))) : CellFont::Cell{};
        if (italic || (shape.shape == CellFont::Shape::Missing && (cell.width == 2 || !plane0))) {
            const char32_t code = cell.code;
            later.push_back({QString::fromUcs4(&code, 1), area, colour, italic});
        } else {
            if (colour != current)
                glyphs.begin(colour);
            current = colour;
            const qreal centre = (area.width() - m_cells.cellWidth()) / 2;
            glyphs.add(QChar(char16_t(cell.code)), x + centre, frame.top);
            if (cell.style.has(CellStyle::Bold) && shape.shape == CellFont::Shape::Glyph)
                glyphs.add(QChar(char16_t(cell.code)), x + centre + 1, frame.top);
        }
        if (cell.style.has(CellStyle::Underline)) {
            const qreal under = frame.top + m_cells.ascent() + 1.5;
            m_painter.fillRect(QRectF(area.left(), under, area.width(), 1), colour);
        }
    }
    glyphs.finish();
    for (const Later &item : later) {
        QFont font = m_font;
        font.setItalic(item.italic);
        m_painter.setFont(font);
        m_painter.setPen(item.colour);
        const QStaticText &text = laidOut(item.text, font);
        m_painter.drawStaticText(QPointF(item.cell.center().x() - text.size().width() / 2, item.cell.top()), text);
    }
}

// A character in a font of the system's choice, laid out once: looking for
// the font that has it costs far more than drawing it.
const QStaticText &ShownPainter::laidOut(const QString &text, const QFont &font)
{
    static QHash<QString, QStaticText> cache;
    const QString key = font.key() + QLatin1Char('\n') + text;
    auto found = cache.find(key);
    if (found == cache.end()) {
        if (cache.size() > 4096)
            cache.clear();
        QStaticText laid(text);
        laid.prepare(QTransform(), font);
        found = cache.insert(key, laid);
    }
    return *found;
}

} // namespace quillar
