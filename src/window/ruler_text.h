#pragma once

#include <QString>

namespace quillar {

// The column ruler over the display numbers its character columns 1 to 120.
inline constexpr int RulerColumns = 120;
// Label9 carries the hundreds digit; its first character stands over this column.
inline constexpr int HundredsFirstColumn = 100;

// Row A: "0" in column 1, then k mod 10 in column 10k, blanks elsewhere.
[[nodiscard]] QString rulerRowA();
// Row B: "1234567890" twelve times.
[[nodiscard]] QString rulerRowB();
// Label3's caption: row A, one blank, row B (241 characters). Shown as row A
// above row B.
[[nodiscard]] QString label3Caption();
// Label9's caption: "1" over columns 100, 110 and 120.
[[nodiscard]] QString label9Caption();

} // namespace quillar
