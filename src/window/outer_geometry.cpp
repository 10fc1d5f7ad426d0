#include "outer_geometry.h"

#include "platform/twips.h"

#include <algorithm>

namespace quillar {

QMargins designFrameMargins(double dpi)
{
    const int side = twipsToPixels(60, dpi);
    return {side, twipsToPixels(450, dpi), side, side};
}

QRect clientRectFromOuter(const OuterGeometry &outer, const QMargins &frame, double dpi)
{
    const int x = twipsToPixels(outer.left, dpi) + frame.left();
    const int y = twipsToPixels(outer.top, dpi) + frame.top();
    const int w = std::max(1, twipsToPixels(outer.width, dpi) - frame.left() - frame.right());
    const int h = std::max(1, twipsToPixels(outer.height, dpi) - frame.top() - frame.bottom());
    return {x, y, w, h};
}

OuterGeometry outerFromClient(const QRect &client, const QMargins &frame, double dpi)
{
    return {pixelsToTwips(client.x() - frame.left(), dpi), pixelsToTwips(client.y() - frame.top(), dpi),
            pixelsToTwips(client.width() + frame.left() + frame.right(), dpi),
            pixelsToTwips(client.height() + frame.top() + frame.bottom(), dpi)};
}

} // namespace quillar
