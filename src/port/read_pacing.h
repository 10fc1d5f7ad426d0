#pragma once

#include "port/comm_settings.h"

#include <QtGlobal>

#include <algorithm>

// How long the serial control may wait, after a small read, before it takes
// the next one. A busy line hands over a few bytes every millisecond, and
// taking each arrival wakes the whole program; waiting up to a display
// frame costs nothing anyone can see, as the display shows nothing sooner.
// After a large read the next one is taken at once.
namespace quillar::read_pacing {

// A display frame (DisplayView::FrameMs).
inline constexpr int LongestPauseMs = 40;
// The most that may pile up in the system while the reader waits: half of
// the 4 KB a terminal device keeps for its reader. A full one makes a USB
// adapter stop taking from the device, whose own small buffer then overflows.
inline constexpr qint64 SafePile = 2048;
// More than a wait lets pile up: the reader fell behind.
inline constexpr qint64 LargeRead = 3072;

// The longest wait in which a line running flat out at these settings sends
// no more than SafePile: at 115200 baud far longer than a frame, at 3 Mbaud
// 6 ms, from about 20 Mbaud none.
[[nodiscard]] constexpr int longestPauseAt(const CommSettings &settings)
{
    // Bits of one character, in halves: start, data, parity, stop.
    const qint64 stopHalves = settings.stopBits == CommSettings::StopBits::One ? 2
        : settings.stopBits == CommSettings::StopBits::OneAndHalf ? 3 : 4;
    const qint64 halves = 2 * (1 + settings.dataBits + (settings.parity == CommSettings::Parity::None ? 0 : 1)) + stopHalves;
    const qint64 baud = std::max<qint64>(1, settings.baud);
    return static_cast<int>(std::min<qint64>(LongestPauseMs, SafePile * 1000 * halves / (2 * baud)));
}

// The longest pause that leaves line ends by time where they were: at most
// half the quiet time that ends a line (in whole milliseconds, so a line-feed
// time under 2 ms means no pause), or the longest when no timer ends lines.
[[nodiscard]] constexpr int longestPause(qint64 lineFeedTimeMs)
{
    if (lineFeedTimeMs <= 0)
        return LongestPauseMs;
    return static_cast<int>(std::min<qint64>(LongestPauseMs, lineFeedTimeMs / 2));
}

// The pause after a read of readBytes that came sinceLastReadMs after the
// one before: none when the line, at the rate it just ran, would pile up more
// than SafePile meanwhile, as a small read in a fast stream only means the
// reader caught up for a moment.
[[nodiscard]] constexpr int pauseAfter(qint64 readBytes, double sinceLastReadMs, int longest)
{
    if (readBytes >= LargeRead)
        return 0;
    const double atThisRate = static_cast<double>(SafePile) * sinceLastReadMs / static_cast<double>(std::max<qint64>(1, readBytes));
    return atThisRate >= longest ? longest : static_cast<int>(atThisRate);
}

} // namespace quillar::read_pacing
