#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillar {

// Form_Resize on the window's outer size, in twips.
struct ResizeOutcome
{
    double outerWidth;
    double outerHeight;
    double displayWidth;
    double displayHeight;

    friend bool operator==(const ResizeOutcome &, const ResizeOutcome &) = default;
};

namespace ResizeRule {
inline constexpr double MinimumHeight = 1825;
inline constexpr double MaximumWidth = 14925;
inline constexpr double HeightAllowance = 1290; // strip, ruler and frame above and below the display
inline constexpr double WidthAllowance = 135;
// Nothing stops a window from being made very narrow; the display keeps at
// least one pixel's width at any DPI up to 1440.
inline constexpr double MinimumDisplayWidth = 1;
// The narrowest window start-up restores: the top strip's controls up to the
// Help button (its right edge at 10845) and the frame beside them. A stored
// width below it would bring up a window too narrow to use, or none at all.
inline constexpr double MinimumRestoredWidth = 10845 + 2 * 60;
} // namespace ResizeRule

// The width start-up gives a window stored outerWidth twips wide.
[[nodiscard]] double restoredWidth(double outerWidth);

// A window in the normal state: the window size the rule snaps to and the
// display size that follows. stripExtra: how much lower than designed the
// display stands, as the top strip takes more rows in a narrow window; the
// least height grows with it, so that the display keeps its least height.
[[nodiscard]] ResizeOutcome applyResizeRule(double outerWidth, double outerHeight, double stripExtra = 0);

// A maximized or full-screen window is as large as the window manager makes
// it, and the display fills it from its designed corner (topLeft, pixels) to
// the client area's right and bottom edges; the width cap is a normal
// window's. At least a pixel each way.
[[nodiscard]] QRect filledDisplay(const QPoint &topLeft, const QSize &client);

} // namespace quillar
