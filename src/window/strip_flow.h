#pragma once

#include <QString>

#include <vector>

namespace quillar {

// The top strip in a window narrower than its design: the controls, in
// groups that belong together (a label with its box, the three buttons),
// keep their order and the design's gaps, and a group that would reach past
// the client area's right edge starts a row of its own below. As wide as the
// design, nothing moves.
namespace StripFlow {
// From one row's top to the next: a control's height and a little air.
inline constexpr double RowPitch = 330;
// Where a wrapped row starts, as the design's first label does.
inline constexpr double RowLeft = 90;
} // namespace StripFlow

// How far a control of the strip moves from its design place, in twips.
struct StripMove
{
    QString name;
    double dx;
    double dy;

    friend bool operator==(const StripMove &, const StripMove &) = default;
};

struct StripLayout
{
    std::vector<StripMove> moves; // every control of the strip, in design order
    // How much lower the ruler and the display stand: the rows added.
    double extraHeight = 0;
};

// The strip in a client area clientWidth twips wide.
[[nodiscard]] StripLayout stripLayout(double clientWidth);

// The narrowest client area in which every control of the strip shows
// whole, each group on a row of its own if need be, in twips.
[[nodiscard]] double narrowestStrip();

} // namespace quillar
