#include "resize_rule.h"

#include <algorithm>

namespace quillar {

std::optional<ResizeOutcome> applyResizeRule(bool minimizedOrMaximized, double outerWidth, double outerHeight)
{
    using namespace ResizeRule;
    if (minimizedOrMaximized)
        return std::nullopt;
    ResizeOutcome out{outerWidth, outerHeight, 0, 0};
    if (out.outerHeight < MinimumHeight)
        out.outerHeight = MinimumHeight;
    if (out.outerWidth > MaximumWidth)
        out.outerWidth = MaximumWidth;
    out.displayHeight = out.outerHeight - HeightAllowance;
    out.displayWidth = std::max(out.outerWidth - WidthAllowance, MinimumDisplayWidth);
    return out;
}

double restoredWidth(double outerWidth)
{
    return std::max(outerWidth, ResizeRule::MinimumRestoredWidth);
}

} // namespace quillar
