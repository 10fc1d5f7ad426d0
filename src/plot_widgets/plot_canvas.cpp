#include "plot_canvas.h"

#include <QPainter>

#include <cmath>

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

void PlotCanvas::paint(const CanvasScene &scene, const Draw &draw)
{
    const int width = scene.size.width();
    const int moved = columnsMoved(scene);
    int from = 0;
    if (moved >= 0) {
        // The columns that went out on the left take the new ones.
        m_start = (m_start + moved) % width;
        from = width - moved - Redrawn;
    } else {
        m_image = QImage(scene.size * scene.pixelRatio, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(scene.pixelRatio);
        m_start = 0;
    }
    m_scene = scene;
    m_drawnColumns = width - from;
    // Column c of the area lies at c + m_start in the ring, or, past its
    // end, at c + m_start - width.
    QPainter painter(&m_image);
    for (const int shift : {m_start, m_start - width}) {
        const QRect columns = QRect(from + shift, 0, width - from, scene.size.height()) & QRect(QPoint(), scene.size);
        if (columns.isEmpty())
            continue;
        painter.save();
        painter.setClipRect(columns);
        painter.translate(shift, 0);
        draw(painter, from);
        painter.restore();
    }
}

void PlotCanvas::drawTo(QPainter &painter, QPoint topLeft) const
{
    const int width = m_scene.size.width();
    const int height = m_scene.size.height();
    const qreal ratio = m_scene.pixelRatio;
    const int head = width - m_start; // the area's first columns, at the ring's end
    painter.drawImage(QRectF(topLeft.x(), topLeft.y(), head, height), m_image,
                      QRectF(m_start * ratio, 0, head * ratio, height * ratio));
    if (m_start > 0)
        painter.drawImage(QRectF(topLeft.x() + head, topLeft.y(), m_start, height), m_image,
                          QRectF(0, 0, m_start * ratio, height * ratio));
}

} // namespace quillar
