#pragma once

#include "rtf_model.h"

#include <QTextCursor>

#include <vector>

class QTextDocument;
class QTextTable;

namespace quillar {

// Writes finished paragraphs into a QTextDocument. Paragraphs that belong to
// a table are held until the table ends, because a table's columns are known
// only once all its rows are read (merged cells make rows differ).
class RtfDocumentBuilder
{
public:
    // Every cell of a table exists in the document, the empty ones too, and
    // laying them out costs time in proportion: past this many cells in one
    // document, the rest of a table comes out as plain paragraphs.
    static constexpr std::size_t MaxTableCells = 2000;
    // A help document is a few hundred kilobytes. One far beyond that would
    // keep the window busy for minutes and take gigabytes: past these, the
    // rest of the document is left out and a last paragraph says so.
    static constexpr qsizetype MaxDocumentCharacters = 2'000'000;
    static constexpr qsizetype MaxParagraphs = 50'000;
    // Qt lays out a paragraph as a whole, however long: the reader ends
    // paragraphs longer than this.
    static constexpr qsizetype MaxParagraphCharacters = 10'000;

    RtfDocumentBuilder(QTextDocument &document, double dpi);

    // A paragraph of the body, or (inTable) the next paragraph of the open cell.
    void addParagraph(RtfParagraph paragraph, bool inTable);
    void endCell();
    void endRow(const std::vector<RtfCellDef> &defs, int left, bool borders);
    // Writes out a table still open at the end of the document, and the
    // note on a document cut short.
    void finish();
    // The document has reached its size: what follows is left out.
    [[nodiscard]] bool isFull() const { return m_full; }

private:
    [[nodiscard]] bool tablePending() const;
    void flushTable();
    void writeRow(QTextTable &table, int r, const RtfRow &row, const std::vector<int> *bounds,
                  const std::vector<std::pair<int, int>> &edges, int columns);
    void writeAsParagraphs(const RtfRow &row);
    void writeParagraph(QTextCursor &cursor, const RtfParagraph &paragraph, bool reuseBlock);
    [[nodiscard]] double pixels(double twips) const;

    QTextDocument &m_document;
    double m_dpi;
    QTextCursor m_cursor;
    bool m_blockIsFresh = true; // the block at the cursor has not been written yet
    int m_imageCount = 0;
    qsizetype m_characters = 0; // of the paragraphs taken, written or held in a table
    qsizetype m_paragraphs = 0;
    bool m_full = false;

    std::vector<RtfRow> m_rows;
    std::size_t m_widestRow = 0; // cells, among m_rows
    std::size_t m_cellsLeft = MaxTableCells;
    RtfRow m_row;
    RtfCell m_cell;
};

} // namespace quillar
