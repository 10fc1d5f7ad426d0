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
constexpr double PageTextWidth = 9638;  // twips of an A4 page less its usual margins
} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument &document, double dpi)
    : m_document(document), m_dpi(dpi), m_cursor(&document)
{
    m_cursor.movePosition(QTextCursor::End);
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
    m_rows.push_back(std::move(m_row));
    m_row = {};
}

void RtfDocumentBuilder::finish()
{
    if (tablePending())
        flushTable();
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
    const int columns = useEdges ? static_cast<int>(bounds.size()) - 1 : static_cast<int>(std::min<std::size_t>(widest, MaxColumns));

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

    m_cursor.movePosition(QTextCursor::End);
    QTextTable *table = m_cursor.insertTable(static_cast<int>(rows.size()), columns, format);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const RtfRow &row = rows[r];
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            int column = static_cast<int>(c);
            int span = 1;
            if (useEdges) {
                const auto first = std::lower_bound(bounds.begin(), bounds.end(), edges[r][c].first);
                const auto last = std::lower_bound(bounds.begin(), bounds.end(), edges[r][c].second);
                column = static_cast<int>(first - bounds.begin());
                span = std::max(1, static_cast<int>(last - first));
            }
            if (column >= columns)
                break;
            span = std::min(span, columns - column);
            if (span > 1)
                table->mergeCells(static_cast<int>(r), column, 1, span);
            QTextTableCell cell = table->cellAt(static_cast<int>(r), column);
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
    m_cursor.movePosition(QTextCursor::End);
    m_blockIsFresh = true;
}

} // namespace quillar
