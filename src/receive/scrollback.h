#pragma once

#include <QtGlobal>

#include <algorithm>

namespace quillar {

// How much text the display keeps. A text ending in a line feed, appended to
// a display longer than threshold characters, first cuts it to its last kept
// characters; past safety characters after any append it is cut to kept
// too, for a stream that never ends a text in a line feed. For a scrollback
// of N characters: threshold N - 1, kept N - N/200, safety N + 80000; the
// default N of 20000 gives 19999, 19900 and 100000.
struct Scrollback
{
    static constexpr qsizetype Default = 20000;
    static constexpr qsizetype Least = 1000;
    // Positions reach assistive technology as 32-bit numbers.
    static constexpr qsizetype Most = 1000000000;

    qsizetype threshold;
    qsizetype kept;
    qsizetype safety;

    [[nodiscard]] static constexpr Scrollback of(qsizetype characters)
    {
        const qsizetype n = std::clamp(characters, Least, Most);
        return {n - 1, n - n / 200, n + 80000};
    }
};

} // namespace quillar
