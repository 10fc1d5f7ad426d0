#include "ruler_text.h"

namespace quillar {

QString rulerRowA()
{
    QString row(RulerColumns, QLatin1Char(' '));
    row[0] = QLatin1Char('0');
    for (int k = 1; k * 10 <= RulerColumns; ++k)
        row[k * 10 - 1] = QLatin1Char(static_cast<char>('0' + k % 10));
    return row;
}

QString rulerRowB()
{
    return QStringLiteral("1234567890").repeated(RulerColumns / 10);
}

QString label3Caption()
{
    return rulerRowA() + QLatin1Char(' ') + rulerRowB();
}

QString label9Caption()
{
    QString row(RulerColumns - HundredsFirstColumn + 1, QLatin1Char(' '));
    for (int column = HundredsFirstColumn; column <= RulerColumns; column += 10)
        row[column - HundredsFirstColumn] = QLatin1Char('1');
    return row;
}

} // namespace quillar
