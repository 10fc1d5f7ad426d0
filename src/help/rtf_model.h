#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <vector>

namespace quillar {

// What the RTF reader hands to the document builder: finished paragraphs and
// table rows, in document order.

// A run of text in one character format, or a picture when image is not null.
struct RtfRun
{
    QString text;
    QTextCharFormat format;
    QImage image;
    QSizeF imageSize; // in pixels
};

struct RtfParagraph
{
    std::vector<RtfRun> runs;
    QTextBlockFormat format;
    QTextCharFormat endFormat; // the format at the paragraph mark: an empty line's height
};

// One \cellx of a row definition.
struct RtfCellDef
{
    int rightEdge = 0; // twips
    QColor background;
    bool mergedWithAbove = false;
};

struct RtfCell
{
    std::vector<RtfParagraph> paragraphs;
};

struct RtfRow
{
    std::vector<RtfCell> cells;
    std::vector<RtfCellDef> defs;
    int left = 0; // twips
    bool borders = false;
};

} // namespace quillar
