#pragma once

#include "plot/view_range.h"

#include <QImage>

#include <cmath>
#include <functional>
#include <vector>

class QPainter;

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

// The plot area's pixels kept from one paint to the next. A following view
// moves a few columns a frame: the columns it still shows stay where they
// are in a ring of columns, whose start moves on, and only the columns from
// the newest one painted before are drawn again, so a paint costs the new
// columns, not the whole width.
class PlotCanvas
{
public:
    // draw(painter, fromColumn) paints the columns from fromColumn on (0:
    // all), clipped to them, in the area's own coordinates.
    using Draw = std::function<void(QPainter &painter, int fromColumn)>;

    void paint(const CanvasScene &scene, const Draw &draw);
    // The area as last painted, its first column at topLeft.
    void drawTo(QPainter &painter, QPoint topLeft) const;
    // The columns the last paint drew (the area's width when it drew all).
    [[nodiscard]] int drawnColumns() const { return m_drawnColumns; }

private:
    // How many whole columns scene moved right from the last one, or -1
    // when its pixels cannot be kept.
    [[nodiscard]] int columnsMoved(const CanvasScene &scene) const;

    QImage m_image;
    CanvasScene m_scene;
    int m_start = 0; // the ring's column that shows the area's first
    int m_drawnColumns = 0;
};

} // namespace quillar
