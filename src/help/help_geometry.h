#pragma once

#include <QPoint>
#include <QRect>
#include <QSizeF>

#include <cstdint>

namespace quillar {

// The help window's design, in twips.
inline constexpr double HelpClientWidthTwips = 8430;
inline constexpr double HelpClientHeightTwips = 4455;
// What Form_Resize leaves of the window's outer size for the view.
inline constexpr double HelpViewWidthMargin = 120;
inline constexpr double HelpViewHeightMargin = 480;

// Half of the room left around a window (screen size less window size, in
// twips), halves going to the even neighbour: 15 gives 8, 13 gives 6. No
// clamping: a window larger than the screen gets a negative offset.
[[nodiscard]] std::int32_t centredOffset(float screenTwips, float windowTwips);

// Where a window of the given outer size goes to be centred on a screen:
// the screen's own origin (a primary screen need not start at 0, 0) plus the
// centred offsets, worked out in twips at dpi and placed in pixels.
[[nodiscard]] QPoint centredPosition(const QRect &screen, QSizeF outerTwips, double dpi);

// The view's size in twips for a window of the given outer size: less the
// margins, never below 1 twip.
struct ViewTwips
{
    std::int32_t width;
    std::int32_t height;
    bool operator==(const ViewTwips &) const = default;
};
[[nodiscard]] ViewTwips helpViewSize(float outerWidthTwips, float outerHeightTwips);

} // namespace quillar
