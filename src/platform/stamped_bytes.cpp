#include "stamped_bytes.h"

#include <algorithm>

namespace quillar {

qint64 timeAt(const TimeMarks &marks, qsizetype offset)
{
    if (marks.empty())
        return 0;
    const auto after = std::upper_bound(marks.begin(), marks.end(), offset,
                                        [](qsizetype at, const TimeMark &mark) { return at < mark.offset; });
    return after == marks.begin() ? marks.front().ms : (after - 1)->ms;
}

namespace {

// Marks of either kind in from..to, moved to count from `from`; the one in
// force at `from` starts there.
template <typename Mark>
std::vector<Mark> between(const std::vector<Mark> &marks, qsizetype from, qsizetype to)
{
    std::vector<Mark> out;
    for (std::size_t i = 0; i < marks.size() && marks[i].offset < to; ++i) {
        const bool last = i + 1 == marks.size() || marks[i + 1].offset > from;
        if (!last)
            continue;
        Mark mark = marks[i];
        mark.offset = std::max<qsizetype>(0, mark.offset - from);
        out.push_back(mark);
    }
    return out;
}

} // namespace

TimeMarks marksBetween(const TimeMarks &marks, qsizetype from, qsizetype to)
{
    return between(marks, from, to);
}

StampedBytes stampedBetween(const StampedBytes &input, qsizetype from, qsizetype to)
{
    return {input.bytes.mid(from, to - from), between(input.marks, from, to), between(input.sides, from, to)};
}

} // namespace quillar
