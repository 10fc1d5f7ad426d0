#pragma once

#include "rtf_model.h"

#include <QTextCursor>

#include <vector>

class QTextDocument;

namespace quillar {

// Writes finished paragraphs into a QTextDocument. Paragraphs that belong to
// a table are held until the table ends, because a table's columns are known
// only once all its rows are read (merged cells make rows differ).
class RtfDocumentBuilder
{
public:
    RtfDocumentBuilder(QTextDocument &document, double dpi);

    // A paragraph of the body, or (inTable) the next paragraph of the open cell.
    void addParagraph(RtfParagraph paragraph, bool inTable);
    void endCell();
    void endRow(const std::vector<RtfCellDef> &defs, int left, bool borders);
    // Writes out a table still open at the end of the document.
    void finish();

private:
    [[nodiscard]] bool tablePending() const;
    void flushTable();
    void writeParagraph(QTextCursor &cursor, const RtfParagraph &paragraph, bool reuseBlock);
    [[nodiscard]] double pixels(double twips) const;

    QTextDocument &m_document;
    double m_dpi;
    QTextCursor m_cursor;
    bool m_blockIsFresh = true; // the block at the cursor has not been written yet
    int m_imageCount = 0;

    std::vector<RtfRow> m_rows;
    RtfRow m_row;
    RtfCell m_cell;
};

} // namespace quillar
