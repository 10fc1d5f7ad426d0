#pragma once

#include "ruler_text.h"

#include <QRect>

namespace quillar {

struct RulerPlacement
{
    QRect label3;
    QRect label9;
    // Left edge of each label's first character, in the label's coordinates.
    double label3FirstChar;
    double label9FirstChar;
};

// Places the two ruler labels over the display's columns. column1Left is the
// window x of display column 1's left edge, cellWidth the display's cell. Each
// label keeps its designed rectangle, widened where needed so that every
// column it numbers lies inside it: the design assumed one particular font's
// cell, and the ruler must follow the display's real one.
// columns: how many columns the ruler numbers.
[[nodiscard]] RulerPlacement rulerPlacement(const QRect &label3Design, const QRect &label9Design, double column1Left,
                                            double cellWidth, int columns = RulerColumns);

// The ruler over a display scrolled sideways by scrolled pixels: the column
// first (perhaps partly) in view, and how far its cell starts left of where
// column 1 stands unscrolled.
struct RulerScroll
{
    qsizetype firstColumn;
    double shift;

    friend bool operator==(const RulerScroll &, const RulerScroll &) = default;
};
[[nodiscard]] RulerScroll rulerScroll(int scrolled, double cellWidth);

} // namespace quillar
