#include "ruler_text.h"

namespace quillar {

namespace {

QChar digit(qsizetype value)
{
    return QLatin1Char(static_cast<char>('0' + value % 10));
}

} // namespace

QString rulerRowA(qsizetype firstColumn)
{
    QString row(RulerColumns, QLatin1Char(' '));
    for (int i = 0; i < RulerColumns; ++i) {
        const qsizetype column = firstColumn + i;
        if (i == 0 || column % 10 == 0)
            row[i] = digit(column / 10);
    }
    return row;
}

QString rulerRowB(qsizetype firstColumn)
{
    QString row(RulerColumns, QLatin1Char(' '));
    for (int i = 0; i < RulerColumns; ++i)
        row[i] = digit(firstColumn + i);
    return row;
}

QString label3Caption(qsizetype firstColumn)
{
    return rulerRowA(firstColumn) + QLatin1Char(' ') + rulerRowB(firstColumn);
}

QString label9Caption(qsizetype firstColumn)
{
    QString row(RulerColumns - HundredsFirstColumn + 1, QLatin1Char(' '));
    for (int i = 0; i < row.size(); ++i) {
        const qsizetype column = firstColumn + HundredsFirstColumn - 1 + i;
        if (column % 10 == 0)
            row[i] = digit(column / 100);
    }
    return row;
}

} // namespace quillar
