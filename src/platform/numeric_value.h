#pragma once

#include <QString>
#include <QStringView>

namespace quillar {

// The numeric value of a box text: the number at the start of the text.
//
// - An optional sign, digits with at most one period as the decimal point
//   (whatever the locale), and an optional exponent: E or e, an optional sign
//   and digits ("1E3", "2.5e-2").
// - Blanks, tabs and line feeds are ignored wherever they stand: "1 2 3" is 123,
//   " - 4" is -4, "1 e 3" is 1000.
// - Reading stops at the first character that cannot belong to the number, so
//   "12ab" is 12, "1.2.3" is 1.2 and "1,5" is 1.
// - A carriage return is not among the ignored characters: it ends the number
//   like any other character ("1\r2" is 1). The boxes are single-line, so it
//   only comes from pasted or hand-edited text, where the line ends there.
// - A text with no leading digits (empty, "abc", "-", ".") is 0.
// - An exponent marker with no digits after it is not part of the number:
//   "1e" and "1e+" are 1.
// - The result is always finite: a value too large for a double is the largest
//   double of its sign, one too small to tell from zero is 0.
//
// It never fails.
[[nodiscard]] double NumericValue(QStringView text) noexcept;
[[nodiscard]] inline double NumericValue(const QString &text) noexcept
{
    return NumericValue(QStringView(text));
}

} // namespace quillar
