#include "display_navigation.h"

#include "display_buffer.h"

#include <algorithm>

namespace quillar::navigation {

namespace {

enum class CharClass { Separator, Word, Other };

CharClass classOf(QChar ch)
{
    if (ch.isLetterOrNumber() || ch == QLatin1Char('_'))
        return CharClass::Word;
    if (ch.isSpace() || ch.category() == QChar::Other_Control)
        return CharClass::Separator;
    return CharClass::Other;
}

qsizetype lineEnd(const DisplayBuffer &buffer, qsizetype line)
{
    return buffer.lineStart(line) + buffer.lineLength(line);
}

} // namespace

qsizetype columnOf(const DisplayBuffer &buffer, qsizetype pos)
{
    const qsizetype line = buffer.lineOfPosition(pos);
    const qsizetype within = pos - buffer.lineStart(line);
    if (!buffer.showsOtherwise())
        return within;
    return buffer.shownLine(line).column[std::size_t(std::min(within, buffer.lineLength(line)))];
}

qsizetype positionInLine(const DisplayBuffer &buffer, qsizetype line, qsizetype column)
{
    line = std::clamp<qsizetype>(line, 0, buffer.lineCount() - 1);
    column = std::max<qsizetype>(column, 0);
    if (buffer.showsOtherwise())
        return buffer.lineStart(line) + buffer.shownLine(line).positionAtColumn(column);
    return buffer.lineStart(line) + std::min(column, buffer.lineLength(line));
}

// With the choices on, a step goes over a whole shown character and what
// hides beside it, so the caret moves at every step.
qsizetype nextPosition(const DisplayBuffer &buffer, qsizetype pos)
{
    const qsizetype line = buffer.lineOfPosition(pos);
    if (pos == lineEnd(buffer, line) && line + 1 < buffer.lineCount())
        return buffer.lineStart(line + 1);
    if (buffer.showsOtherwise() && pos < lineEnd(buffer, line))
        return positionInLine(buffer, line, columnOf(buffer, pos) + 1);
    return std::min(pos + 1, buffer.length());
}

qsizetype previousPosition(const DisplayBuffer &buffer, qsizetype pos)
{
    const qsizetype line = buffer.lineOfPosition(pos);
    if (pos == buffer.lineStart(line) && line > 0)
        return lineEnd(buffer, line - 1);
    if (buffer.showsOtherwise() && pos > buffer.lineStart(line)) {
        const ShownLine &shown = buffer.shownLine(line);
        qsizetype at = std::min(pos - buffer.lineStart(line), buffer.lineLength(line));
        const qsizetype column = shown.column[std::size_t(at)];
        while (at > 0 && shown.column[std::size_t(at - 1)] >= column)
            --at;
        return buffer.lineStart(line) + (at == 0 ? 0 : shown.positionAtColumn(shown.column[std::size_t(at - 1)]));
    }
    return std::max<qsizetype>(pos - 1, 0);
}

qsizetype nextWordPosition(const DisplayBuffer &buffer, qsizetype pos)
{
    const qsizetype line = buffer.lineOfPosition(pos);
    const qsizetype end = lineEnd(buffer, line);
    if (pos >= end)
        return nextPosition(buffer, pos);
    const CharClass first = classOf(buffer.at(pos));
    if (first != CharClass::Separator) {
        while (pos < end && classOf(buffer.at(pos)) == first)
            ++pos;
    }
    while (pos < end && classOf(buffer.at(pos)) == CharClass::Separator)
        ++pos;
    return pos;
}

qsizetype previousWordPosition(const DisplayBuffer &buffer, qsizetype pos)
{
    const qsizetype line = buffer.lineOfPosition(pos);
    const qsizetype start = buffer.lineStart(line);
    if (pos <= start)
        return previousPosition(buffer, pos);
    pos = std::min(pos, lineEnd(buffer, line));
    while (pos > start && classOf(buffer.at(pos - 1)) == CharClass::Separator)
        --pos;
    if (pos > start) {
        const CharClass last = classOf(buffer.at(pos - 1));
        while (pos > start && classOf(buffer.at(pos - 1)) == last)
            --pos;
    }
    return pos;
}

std::pair<qsizetype, qsizetype> wordAt(const DisplayBuffer &buffer, qsizetype index)
{
    index = std::clamp<qsizetype>(index, 0, buffer.length());
    const qsizetype line = buffer.lineOfPosition(index);
    const qsizetype start = buffer.lineStart(line);
    const qsizetype end = lineEnd(buffer, line);
    if (index >= end)
        return {end, end};
    const CharClass cls = classOf(buffer.at(index));
    if (cls == CharClass::Separator)
        return {index, index + 1};
    qsizetype from = index;
    qsizetype to = index + 1;
    while (from > start && classOf(buffer.at(from - 1)) == cls)
        --from;
    while (to < end && classOf(buffer.at(to)) == cls)
        ++to;
    return {from, to};
}

} // namespace quillar::navigation
