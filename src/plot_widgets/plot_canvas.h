#pragma once

#include "plot/view_range.h"

#include <QSize>

#include <cmath>
#include <vector>

namespace quillar {

// What the pixels of the plot's area depend on: a view that differs only
// in having moved whole columns along x can keep the pixels it shares.
struct CanvasScene
{
    QSize size;
    qreal pixelRatio = 1;
    XRange range;
    std::pair<double, double> values{0, 1};
    std::vector<bool> shown;
    XAxis axis = XAxis::Time;
    // The oldest sample kept, where it lies inside the range (samples given
    // up since change the columns it leaves); -infinity otherwise.
    double oldestInside = -HUGE_VAL;
    friend bool operator==(const CanvasScene &, const CanvasScene &) = default;
};

// The newest columns painted before may have grown since (a pen two pixels
// wide reaches into the column before): drawn again with those that came in.
constexpr int RedrawnColumns = 2;

// How many whole columns `now` moved right from `was`, whose pixels it
// keeps shifted left by as many, or -1 when they cannot be kept (another
// size, scale, series, a move not by whole columns or back). Samples given
// up inside the view change only the columns up to the oldest kept.
[[nodiscard]] int columnsMoved(const CanvasScene &was, const CanvasScene &now);

} // namespace quillar
