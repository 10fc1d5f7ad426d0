#pragma once

#include <QtGlobal>

#include <utility>

namespace quillar {

class DisplayBuffer;

// Caret moves over the display text, kept apart from the widget so they can
// be checked on a bare DisplayBuffer. A CR LF line break is one step: a move
// never stops between its CR and its LF. A lone CR or LF is an ordinary
// character of its line.
namespace navigation {

// Column (0-based) of position pos in its line.
[[nodiscard]] qsizetype columnOf(const DisplayBuffer &buffer, qsizetype pos);
// The position at column of line, clamped to the line's end.
[[nodiscard]] qsizetype positionInLine(const DisplayBuffer &buffer, qsizetype line, qsizetype column);

[[nodiscard]] qsizetype nextPosition(const DisplayBuffer &buffer, qsizetype pos);
[[nodiscard]] qsizetype previousPosition(const DisplayBuffer &buffer, qsizetype pos);

// Word moves: a word is a run of letters, digits and '_', or a run of other
// visible characters; blanks and control characters separate words. A line
// break always ends a word.
[[nodiscard]] qsizetype nextWordPosition(const DisplayBuffer &buffer, qsizetype pos);
[[nodiscard]] qsizetype previousWordPosition(const DisplayBuffer &buffer, qsizetype pos);

// The word that holds the character at index (start, end), for a double
// click; a separator character is a word of its own. Empty at a line's end.
[[nodiscard]] std::pair<qsizetype, qsizetype> wordAt(const DisplayBuffer &buffer, qsizetype index);

} // namespace navigation
} // namespace quillar
