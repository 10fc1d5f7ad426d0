#pragma once

#include <QtGlobal>

#include <algorithm>

// How long the serial control may wait, after a small read, before it takes
// the next one. A busy line hands over a few bytes every millisecond, and
// taking each arrival wakes the whole program; a few milliseconds of waiting
// cost nothing anyone can see. After a large read the next one is taken at
// once, so that a fast line never fills the system's buffer.
namespace quillar::read_pacing {

inline constexpr int LongestPauseMs = 4;
inline constexpr qint64 LargeRead = 2048;

// The longest pause that leaves line ends by time where they were: at most
// half the quiet time that ends a line (in whole milliseconds, so a line-feed
// time under 2 ms means no pause), or the longest when no timer ends lines.
[[nodiscard]] constexpr int longestPause(qint64 lineFeedTimeMs)
{
    if (lineFeedTimeMs <= 0)
        return LongestPauseMs;
    return static_cast<int>(std::min<qint64>(LongestPauseMs, lineFeedTimeMs / 2));
}

// The pause after a read of readBytes.
[[nodiscard]] constexpr int pauseAfter(qint64 readBytes, int longest)
{
    return readBytes >= LargeRead ? 0 : longest;
}

} // namespace quillar::read_pacing
