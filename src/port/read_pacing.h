#pragma once

#include "platform/frame_clock.h"

#include <QtGlobal>

#include <algorithm>

// How long a frame of the program's frame clock is: how long the serial
// control may hold read bytes before it hands them to the program. A busy line brings a few bytes every millisecond, and handing over
// each arrival wakes the whole program; holding them up to a display frame
// costs nothing anyone can see, as the display shows nothing sooner. The
// bytes wait in the program meanwhile, never in the system, where a hang-up
// would throw them away.
namespace quillar::read_pacing {

inline constexpr int LongestPauseMs = int(FrameClock::DisplayFrame.count());

// The longest pause that leaves line ends by time where they were: at most
// half the quiet time that ends a line (in whole milliseconds, so a line-feed
// time under 2 ms means no pause), or the longest when no timer ends lines.
[[nodiscard]] constexpr int longestPause(qint64 lineFeedTimeMs)
{
    if (lineFeedTimeMs <= 0)
        return LongestPauseMs;
    return static_cast<int>(std::min<qint64>(LongestPauseMs, lineFeedTimeMs / 2));
}

} // namespace quillar::read_pacing
