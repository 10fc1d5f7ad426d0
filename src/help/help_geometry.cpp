#include "help_geometry.h"

#include "platform/rounding.h"

#include <algorithm>

namespace quillar {

std::int32_t centredOffset(float screenTwips, float windowTwips)
{
    return roundToInt32Clamped((static_cast<double>(screenTwips) - static_cast<double>(windowTwips)) / 2.0);
}

ViewTwips helpViewSize(float outerWidthTwips, float outerHeightTwips)
{
    const std::int32_t width = roundToInt32Clamped(static_cast<double>(outerWidthTwips) - HelpViewWidthMargin);
    const std::int32_t height = roundToInt32Clamped(static_cast<double>(outerHeightTwips) - HelpViewHeightMargin);
    return {std::max(width, 1), std::max(height, 1)};
}

} // namespace quillar
