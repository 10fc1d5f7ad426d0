#pragma once

#include <QString>
#include <QtGlobal>

namespace quillar {

// The column ruler over the display numbers its character columns 1 to 120;
// over a display wider than that (a maximized window), as many as it shows.
inline constexpr int RulerColumns = 120;
// Label9 carries the hundreds digit; its first character stands over this column.
inline constexpr int HundredsFirstColumn = 100;

// The rows number `columns` columns from firstColumn on, so that a display
// scrolled sideways is counted where it stands; from column 1 they are the
// design's captions.
// Row A: the tens digit in every tenth column, and in the first where its
// block of ten shows far enough to keep its digit clear of the next one's.
[[nodiscard]] QString rulerRowA(qsizetype firstColumn = 1, int columns = RulerColumns);
// Row B: the units digit of every column ("1234567890" twelve times from 1).
[[nodiscard]] QString rulerRowB(qsizetype firstColumn = 1, int columns = RulerColumns);
// Label3's caption: row A, one blank, row B (241 characters). Shown as row A
// above row B.
[[nodiscard]] QString label3Caption(qsizetype firstColumn = 1, int columns = RulerColumns);
// Label9's caption: the hundreds digit over every tenth of the ruler's
// columns from the 100th ("1" over columns 100, 110 and 120 from 1).
[[nodiscard]] QString label9Caption(qsizetype firstColumn = 1, int columns = RulerColumns);

} // namespace quillar
