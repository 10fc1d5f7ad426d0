#include "resize_rule.h"

#include <algorithm>

namespace quillar {

ResizeOutcome applyResizeRule(double outerWidth, double outerHeight, double stripExtra)
{
    using namespace ResizeRule;
    ResizeOutcome out{outerWidth, outerHeight, 0, 0};
    if (out.outerHeight < MinimumHeight + stripExtra)
        out.outerHeight = MinimumHeight + stripExtra;
    if (out.outerWidth > MaximumWidth)
        out.outerWidth = MaximumWidth;
    out.displayHeight = out.outerHeight - HeightAllowance - stripExtra;
    out.displayWidth = std::max(out.outerWidth - WidthAllowance, MinimumDisplayWidth);
    return out;
}

QRect filledDisplay(const QPoint &topLeft, const QSize &client)
{
    return {topLeft, QSize(std::max(1, client.width() - topLeft.x()), std::max(1, client.height() - topLeft.y()))};
}

double restoredWidth(double outerWidth)
{
    return std::max(outerWidth, ResizeRule::MinimumRestoredWidth);
}

} // namespace quillar
