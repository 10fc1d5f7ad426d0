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

} // namespace quillar
