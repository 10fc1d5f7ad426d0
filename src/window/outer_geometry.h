#pragma once

#include <QMargins>
#include <QRect>

namespace quillar {

// The window's outer position and size, frame and title bar included, in twips.
struct OuterGeometry
{
    double left;
    double top;
    double width;
    double height;

    friend bool operator==(const OuterGeometry &, const OuterGeometry &) = default;
};

// The frame the design assumes where the window system reports none: 60 twips
// left, right and bottom, 450 at the top.
[[nodiscard]] QMargins designFrameMargins(double dpi);

// Client rectangle in pixels for an outer geometry, and back. The client area
// keeps at least one pixel each way. Converting a client rectangle out and back
// in gives the same rectangle, so values written at shut-down and read at the
// next start-up do not drift.
[[nodiscard]] QRect clientRectFromOuter(const OuterGeometry &outer, const QMargins &frame, double dpi);
[[nodiscard]] OuterGeometry outerFromClient(const QRect &client, const QMargins &frame, double dpi);

} // namespace quillar
