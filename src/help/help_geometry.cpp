#include "help_geometry.h"

#include "platform/rounding.h"
#include "platform/twips.h"

#include <algorithm>

namespace quillar {

std::int32_t centredOffset(float screenTwips, float windowTwips)
{
    return roundToInt32Clamped((static_cast<double>(screenTwips) - static_cast<double>(windowTwips)) / 2.0);
}

QPoint centredPosition(const QRect &screen, QSizeF outerTwips, double dpi)
{
    const auto left =
        centredOffset(static_cast<float>(pixelsToTwips(screen.width(), dpi)), static_cast<float>(outerTwips.width()));
    const auto top =
        centredOffset(static_cast<float>(pixelsToTwips(screen.height(), dpi)), static_cast<float>(outerTwips.height()));
    return {screen.x() + twipsToPixels(left, dpi), screen.y() + twipsToPixels(top, dpi)};
}

ViewTwips helpViewSize(float outerWidthTwips, float outerHeightTwips)
{
    const std::int32_t width = roundToInt32Clamped(static_cast<double>(outerWidthTwips) - HelpViewWidthMargin);
    const std::int32_t height = roundToInt32Clamped(static_cast<double>(outerHeightTwips) - HelpViewHeightMargin);
    return {std::max(width, 1), std::max(height, 1)};
}

} // namespace quillar
