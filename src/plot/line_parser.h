#pragma once

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace quillar {

// One number a line gave: to the series of its label, or, without one, to
// the series of its place among the line's unlabelled numbers (from 1).
struct ParsedValue
{
    QString label; // empty: a column
    int column = 0;
    double value = 0;
    friend bool operator==(const ParsedValue &, const ParsedValue &) = default;
};

// The numbers of one line's received bytes. Fields are separated by blanks,
// tabs, commas, semicolons and control bytes; a field is a number only
// whole: an optional sign, digits with an optional decimal point (or a
// point and digits), an optional exponent. "label:value" and "label=value"
// give the value to the label, as does a field ending in ':' or '='
// followed by a number ("temp: 23.5"). Every other field is passed over;
// a line with no number gives nothing. Labels are read in the display's
// code page.
[[nodiscard]] std::vector<ParsedValue> parseLine(QByteArrayView line);

} // namespace quillar
