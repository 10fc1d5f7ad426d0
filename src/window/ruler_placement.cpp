#include "ruler_placement.h"

#include <cmath>

namespace quillar {

namespace {

// The design rectangle widened to hold the cells of columns first..last.
QRect spanColumns(const QRect &design, double column1Left, double cellWidth, int first, int last)
{
    const int left = static_cast<int>(std::floor(column1Left + (first - 1) * cellWidth));
    const int right = static_cast<int>(std::ceil(column1Left + last * cellWidth));
    QRect r = design;
    r.setLeft(std::min(design.left(), left));
    r.setRight(std::max(design.right(), right - 1));
    return r;
}

} // namespace

RulerPlacement rulerPlacement(const QRect &label3Design, const QRect &label9Design, double column1Left,
                              double cellWidth, int columns)
{
    RulerPlacement p;
    p.label3 = spanColumns(label3Design, column1Left, cellWidth, 1, columns);
    p.label9 = spanColumns(label9Design, column1Left, cellWidth, HundredsFirstColumn, columns);
    p.label3FirstChar = column1Left - p.label3.left();
    p.label9FirstChar = column1Left + (HundredsFirstColumn - 1) * cellWidth - p.label9.left();
    return p;
}

RulerScroll rulerScroll(int scrolled, double cellWidth)
{
    const auto before = static_cast<qsizetype>(std::floor(std::max(0, scrolled) / cellWidth));
    return {before + 1, std::max(0, scrolled) - before * cellWidth};
}

} // namespace quillar
