#include "rtf_document_builder.h"

#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <set>

namespace quillar {

namespace {
constexpr int MaxColumns = 64;
constexpr int DefaultCellWidth = 1440; // twips, for cells written without \cellx
constexpr double PageTextWidth = 9638; // twips of an A4 page less its usual margins
const QString CutShortNote = QStringLiteral("[…] Il resto del documento non viene mostrato: è troppo lungo "
                                            "per la finestra di aiuto.");
} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument &document, double dpi)
    : m_document(document),
      m_dpi(dpi),
      m_cursor(&document)
{
    m_cursor.movePosition(QTextCursor::End);
    // A shown document is never edited: nothing to undo. One edit block for
    // the whole document keeps each insertion from laying out its paragraph
    // again, which made a long paragraph of many runs quadratic.
    m_document.setUndoRedoEnabled(false);
    m_cursor.beginEditBlock();
}

double RtfDocumentBuilder::pixels(double twips) const
{
    return twips * m_dpi / 1440.0;
}

bool RtfDocumentBuilder::tablePending() const
{
    return !m_rows.empty() || !m_row.cells.empty() || !m_cell.paragraphs.empty();
}

void RtfDocumentBuilder::addParagraph(RtfParagraph paragraph, bool inTable)
{
    if (m_full)
        return;
    qsizetype characters = 1; // the paragraph's end
    for (const RtfRun &run : paragraph.runs)
        characters += run.image.isNull() ? run.text.size() : 1;
    if (m_characters + characters > MaxDocumentCharacters || m_paragraphs + 1 > MaxParagraphs) {
        m_full = true;
        return;
    }
    m_characters += characters;
    ++m_paragraphs;
    if (inTable) {
        m_cell.paragraphs.push_back(std::move(paragraph));
        return;
    }
    if (tablePending())
        flushTable();
    writeParagraph(m_cursor, paragraph, m_blockIsFresh);
    m_blockIsFresh = false;
}

void RtfDocumentBuilder::endCell()
{
    m_row.cells.push_back(std::move(m_cell));
    m_cell = {};
}

void RtfDocumentBuilder::endRow(const std::vector<RtfCellDef> &defs, int left, bool borders)
{
    if (!m_cell.paragraphs.empty())
        endCell();
    if (m_row.cells.empty())
        return;
    m_row.defs = defs;
    m_row.left = left;
    m_row.borders = borders;
    m_widestRow = std::max(m_widestRow, m_row.cells.size());
    m_rows.push_back(std::move(m_row));
    m_row = {};
    // Rows that can no longer all fit are not held back: what fits becomes a
    // table now, and the rest plain paragraphs.
    if (m_rows.size() * m_widestRow > m_cellsLeft)
        flushTable();
}

void RtfDocumentBuilder::finish()
{
    if (tablePending())
        flushTable();
    if (m_full) {
        RtfParagraph note;
        note.runs.push_back({CutShortNote, {}, {}, {}});
        writeParagraph(m_cursor, note, m_blockIsFresh);
    }
    m_cursor.endEditBlock();
}

void RtfDocumentBuilder::writeParagraph(QTextCursor &cursor, const RtfParagraph &paragraph, bool reuseBlock)
{
    if (reuseBlock) {
        cursor.setBlockFormat(paragraph.format);
        // Merged, not set: a cell keeps its span and shading in the format
        // of its first block.
        cursor.mergeBlockCharFormat(paragraph.endFormat);
    } else {
        cursor.insertBlock(paragraph.format, paragraph.endFormat);
    }
    for (const RtfRun &run : paragraph.runs) {
        if (run.image.isNull()) {
            cursor.insertText(run.text, run.format);
            continue;
        }
        const QString name = QStringLiteral("rtfpicture:%1").arg(++m_imageCount);
        m_document.addResource(QTextDocument::ImageResource, QUrl(name), run.image);
        QTextImageFormat image;
        image.merge(run.format);
        image.setName(name);
        image.setWidth(run.imageSize.width());
        image.setHeight(run.imageSize.height());
        cursor.insertImage(image);
    }
}

void RtfDocumentBuilder::flushTable()
{
    if (!m_cell.paragraphs.empty())
        endCell();
    if (!m_row.cells.empty())
        endRow({}, 0, false);
    std::vector<RtfRow> rows = std::move(m_rows);
    m_rows.clear();
    m_widestRow = 0;
    if (rows.empty())
        return;

    // Each cell's edges in twips: from its \cellx, or following its left
    // neighbour when the row defines fewer cells than it holds.
    std::vector<std::vector<std::pair<int, int>>> edges(rows.size());
    std::set<int> boundaries;
    bool borders = false;
    std::size_t widest = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RtfRow &row = rows[r];
        borders = borders || row.borders;
        widest = std::max(widest, row.cells.size());
        int left = row.left;
        boundaries.insert(left);
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            int right = c < row.defs.size() ? row.defs[c].rightEdge : left + DefaultCellWidth;
            right = std::max(right, left + 1);
            edges[r].emplace_back(left, right);
            boundaries.insert(right);
            left = right;
        }
    }

    // Columns follow the union of all cell edges, so a cell that spans the
    // edges of other rows becomes a merged cell. Odd tables with too many
    // distinct edges fall back to one column per cell.
    const bool useEdges = boundaries.size() - 1 <= MaxColumns;
    const std::vector<int> bounds(boundaries.begin(), boundaries.end());
    const int columns =
        useEdges ? static_cast<int>(bounds.size()) - 1 : static_cast<int>(std::min<std::size_t>(widest, MaxColumns));

    QTextTableFormat format;
    format.setBorder(borders ? 1 : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(pixels(60));
    if (useEdges) {
        const double total = bounds.back() - bounds.front();
        QList<QTextLength> widths;
        for (int c = 0; c < columns; ++c)
            widths << QTextLength(QTextLength::PercentageLength, 100.0 * (bounds[c + 1] - bounds[c]) / total);
        format.setColumnWidthConstraints(widths);
        format.setWidth(QTextLength(QTextLength::PercentageLength, std::min(100.0, 100.0 * total / PageTextWidth)));
    }

    const std::size_t fitting = std::min(rows.size(), m_cellsLeft / static_cast<std::size_t>(columns));
    // Once a table has overflowed, the rest of the document has no tables.
    m_cellsLeft = fitting < rows.size() ? 0 : m_cellsLeft - fitting * static_cast<std::size_t>(columns);
    m_cursor.movePosition(QTextCursor::End);
    if (fitting > 0) {
        QTextTable *table = m_cursor.insertTable(static_cast<int>(fitting), columns, format);
        for (std::size_t r = 0; r < fitting; ++r)
            writeRow(*table, static_cast<int>(r), rows[r], useEdges ? &bounds : nullptr, edges[r], columns);
        m_cursor.movePosition(QTextCursor::End);
        m_blockIsFresh = true;
    }
    for (std::size_t r = fitting; r < rows.size(); ++r)
        writeAsParagraphs(rows[r]);
}

void RtfDocumentBuilder::writeRow(QTextTable &table, int r, const RtfRow &row, const std::vector<int> *bounds,
                                  const std::vector<std::pair<int, int>> &edges, int columns)
{
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
        int column = static_cast<int>(c);
        int span = 1;
        if (bounds) {
            const auto first = std::lower_bound(bounds->begin(), bounds->end(), edges[c].first);
            const auto last = std::lower_bound(bounds->begin(), bounds->end(), edges[c].second);
            column = static_cast<int>(first - bounds->begin());
            span = std::max(1, static_cast<int>(last - first));
        }
        if (column >= columns)
            break;
        span = std::min(span, columns - column);
        if (span > 1)
            table.mergeCells(r, column, 1, span);
        QTextTableCell cell = table.cellAt(r, column);
        if (c < row.defs.size() && row.defs[c].background.isValid()) {
            QTextCharFormat cellFormat = cell.format();
            cellFormat.setBackground(row.defs[c].background);
            cell.setFormat(cellFormat);
        }
        QTextCursor cellCursor = cell.firstCursorPosition();
        bool first = true;
        for (const RtfParagraph &paragraph : row.cells[c].paragraphs) {
            writeParagraph(cellCursor, paragraph, first);
            first = false;
        }
    }
}

void RtfDocumentBuilder::writeAsParagraphs(const RtfRow &row)
{
    for (const RtfCell &cell : row.cells) {
        for (const RtfParagraph &paragraph : cell.paragraphs) {
            writeParagraph(m_cursor, paragraph, m_blockIsFresh);
            m_blockIsFresh = false;
        }
    }
}

} // namespace quillar
