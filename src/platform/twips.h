#pragma once

#include <QRect>

namespace quillar {

// Positions and sizes are designed in twips, 1/1440 inch. Pixels follow the
// screen's logical DPI: 15 twips are one pixel at 96 DPI.
inline constexpr double TwipsPerInch = 1440.0;

// The primary screen's logical DPI, or 96 when there is no screen.
[[nodiscard]] double logicalDpi();

[[nodiscard]] int twipsToPixels(double twips, double dpi);
[[nodiscard]] double pixelsToTwips(int pixels, double dpi);

// A control's twip rectangle in pixels; the far edges are converted, not the
// size, so neighbours that touch in twips touch in pixels.
[[nodiscard]] QRect twipsRectToPixels(double left, double top, double width, double height, double dpi);

} // namespace quillar
