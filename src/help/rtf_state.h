#pragma once

#include <QList>
#include <QTextOption>

#include <Qt>

#include <cstdint>

namespace quillar {

// Formatting state that RTF saves at '{' and restores at '}'.

struct RtfCharState
{
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    bool smallCaps = false;
    bool allCaps = false;
    int underline = 0; // QTextCharFormat::UnderlineStyle
    int vertical = 0;  // 0 normal, 1 superscript, 2 subscript
    int font = -1;
    int halfPoints = 24;
    int foreground = -1; // colour table index, -1 for automatic
    int background = -1;

    bool operator==(const RtfCharState &) const = default;
};

struct RtfParaState
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0; // twips
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0; // \sl: 0 single, > 0 at least, < 0 exactly
    bool lineMultiple = false;
    bool inTable = false;
    int shading = -1;
    QList<QTextOption::Tab> tabs;
    QTextOption::TabType pendingTabType = QTextOption::LeftTab;
};

enum class RtfDestination {
    Text, // shown
    Skip, // read and dropped, with everything nested in it
    FontTable,
    ColorTable,
    ListLabel, // \listtext, \pntext: shown unless it is only blanks
    Picture,
    ShapeInstance, // only the picture of the shape's "pib" property is shown
    ShapeName,
    ShapeValue,
    Upr, // only its \ud part is shown
};

struct RtfGroupState
{
    RtfCharState chars;
    RtfParaState para;
    RtfDestination destination = RtfDestination::Text;
    int unicodeSkip = 1; // \uc
    bool ownsPicture = false;
    bool ownsLabel = false;
};

} // namespace quillar
