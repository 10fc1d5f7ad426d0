#include "ruler_text.h"

#include <algorithm>

namespace quillar {

namespace {

QChar digit(qsizetype value)
{
    return QLatin1Char(static_cast<char>('0' + value % 10));
}

// The first column's block of ten has its own mark further left: its tens
// digit is written over the first column while at least five of the block's
// columns show, and the next mark stands four blanks on. Any nearer and the
// two read as one number ("78" over columns 79 and 80).
constexpr qsizetype BlockShownForItsMark = 5;

} // namespace

QString rulerRowA(qsizetype firstColumn, int columns)
{
    QString row(columns, QLatin1Char(' '));
    for (int i = 0; i < columns; ++i) {
        const qsizetype column = firstColumn + i;
        const bool blockStart = i == 0 && 10 - column % 10 >= BlockShownForItsMark;
        if (column % 10 == 0 || blockStart)
            row[i] = digit(column / 10);
    }
    return row;
}

QString rulerRowB(qsizetype firstColumn, int columns)
{
    QString row(columns, QLatin1Char(' '));
    for (int i = 0; i < columns; ++i)
        row[i] = digit(firstColumn + i);
    return row;
}

QString label3Caption(qsizetype firstColumn, int columns)
{
    return rulerRowA(firstColumn, columns) + QLatin1Char(' ') + rulerRowB(firstColumn, columns);
}

QString label9Caption(qsizetype firstColumn, int columns)
{
    QString row(std::max(0, columns - HundredsFirstColumn + 1), QLatin1Char(' '));
    for (int i = 0; i < row.size(); ++i) {
        const qsizetype column = firstColumn + HundredsFirstColumn - 1 + i;
        if (column % 10 == 0)
            row[i] = digit(column / 100);
    }
    return row;
}

} // namespace quillar
