#include "plot_canvas.h"

#include <QPainter>

#include <cmath>
#include <cstring>

namespace quillar {

namespace {

// The newest columns painted before may have grown since: drawn again.
constexpr int Redrawn = 2;

} // namespace

int PlotCanvas::columnsMoved(const CanvasScene &scene) const
{
    const CanvasScene &was = m_scene;
    const bool same = !m_image.isNull() && scene.size == was.size && scene.pixelRatio == was.pixelRatio
        && scene.values == was.values && scene.shown == was.shown && scene.axis == was.axis
        && scene.oldestInside == was.oldestInside && scene.pixelRatio == std::round(scene.pixelRatio)
        && scene.size.width() > Redrawn;
    const double width = scene.range.to - scene.range.from;
    if (!same || scene.range.isEmpty() || std::abs(width - (was.range.to - was.range.from)) > width * 1e-9)
        return -1;
    const double columns = (scene.range.from - was.range.from) / (width / scene.size.width());
    const double whole = std::round(columns);
    if (std::abs(columns - whole) > 1e-3 || whole < 0 || whole > scene.size.width() - Redrawn)
        return -1;
    return int(whole);
}

void PlotCanvas::shiftLeft(int columns)
{
    const int dx = columns * int(m_scene.pixelRatio);
    if (dx <= 0)
        return;
    const int bytes = (m_image.width() - dx) * 4;
    for (int y = 0; y < m_image.height(); ++y) {
        uchar *row = m_image.scanLine(y);
        std::memmove(row, row + dx * 4, std::size_t(bytes));
    }
}

const QImage &PlotCanvas::paint(const CanvasScene &scene, const Draw &draw)
{
    const int moved = columnsMoved(scene);
    int from = 0;
    if (moved >= 0) {
        shiftLeft(moved);
        from = scene.size.width() - moved - Redrawn;
    } else {
        m_image = QImage(scene.size * scene.pixelRatio, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(scene.pixelRatio);
    }
    m_scene = scene;
    m_drawnColumns = scene.size.width() - from;
    QPainter painter(&m_image);
    painter.setClipRect(QRect(from, 0, m_drawnColumns, scene.size.height()));
    draw(painter, from);
    return m_image;
}

} // namespace quillar
