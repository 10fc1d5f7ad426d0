#pragma once

#include <QString>
#include <QtGlobal>

namespace quillar {

// The column ruler over the display numbers its character columns 1 to 120.
inline constexpr int RulerColumns = 120;
// Label9 carries the hundreds digit; its first character stands over this column.
inline constexpr int HundredsFirstColumn = 100;

// The rows number the 120 columns from firstColumn on, so that a display
// scrolled sideways is counted where it stands; from column 1 they are the
// design's captions.
// Row A: the tens digit in the first column and in every tenth, blanks elsewhere.
[[nodiscard]] QString rulerRowA(qsizetype firstColumn = 1);
// Row B: the units digit of every column ("1234567890" twelve times from 1).
[[nodiscard]] QString rulerRowB(qsizetype firstColumn = 1);
// Label3's caption: row A, one blank, row B (241 characters). Shown as row A
// above row B.
[[nodiscard]] QString label3Caption(qsizetype firstColumn = 1);
// Label9's caption: the hundreds digit over every tenth of the ruler's
// columns 100 to 120 ("1" over columns 100, 110 and 120 from 1).
[[nodiscard]] QString label9Caption(qsizetype firstColumn = 1);

} // namespace quillar
