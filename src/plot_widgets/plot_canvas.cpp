#include "plot_canvas.h"

namespace quillar {

int columnsMoved(const CanvasScene &was, const CanvasScene &now)
{
    const bool same = !was.range.isEmpty() && now.size == was.size && now.pixelRatio == was.pixelRatio
        && now.values == was.values && now.shown == was.shown && now.axis == was.axis
        && now.pixelRatio == std::round(now.pixelRatio) && now.size.width() > RedrawnColumns;
    const double width = now.range.to - now.range.from;
    if (!same || now.range.isEmpty() || std::abs(width - (was.range.to - was.range.from)) > width * 1e-9)
        return -1;
    const double columns = (now.range.from - was.range.from) / (width / now.size.width());
    const double whole = std::round(columns);
    if (std::abs(columns - whole) > 1e-3 || whole < 0 || whole > now.size.width() - RedrawnColumns)
        return -1;
    return int(whole);
}

} // namespace quillar
