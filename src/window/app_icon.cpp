#include "app_icon.h"

#include <QPainter>
#include <QPixmap>

#include <vector>

namespace quillar {

namespace {

// One filled rectangle of the drawing, in cells of the 16 x 16 design.
struct IconCell
{
    QRectF rect;
    QColor colour;
};

std::vector<IconCell> iconCells()
{
    std::vector<IconCell> cells{
        // Case and screen.
        {{0, 1, 16, 14}, QColor(0x80, 0x80, 0x80)},
        {{1, 2, 14, 12}, QColor(0x00, 0x00, 0x00)},
        // Yellow ruler; its ticks follow.
        {{1, 2, 14, 2}, QColor(0x80, 0x80, 0x00)},
    };
    for (int x = 2; x < 15; x += 3)
        cells.push_back({{double(x), 2, 1, 1.5}, QColor(0xff, 0xff, 0x00)});
    // Received lines: text in white, a hex byte in cyan, the count in lime.
    const IconCell lines[] = {
        {{2, 6, 7, 1}, QColor(0xff, 0xff, 0xff)},  {{10, 6, 3, 1}, QColor(0x00, 0xff, 0xff)},
        {{2, 9, 5, 1}, QColor(0xff, 0xff, 0xff)},  {{8, 9, 4, 1}, QColor(0x00, 0xff, 0x00)},
        {{2, 12, 3, 1}, QColor(0xff, 0xff, 0xff)},
    };
    cells.insert(cells.end(), std::begin(lines), std::end(lines));
    return cells;
}

} // namespace

QImage drawQuillarIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double u = size / 16.0;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    for (const IconCell &cell : iconCells()) {
        const QRectF &r = cell.rect;
        p.fillRect(QRectF(r.x() * u, r.y() * u, r.width() * u, r.height() * u), cell.colour);
    }
    p.end();
    return image;
}

QByteArray quillarIconSvg()
{
    // crispEdges: hard cell borders, as in the raster images.
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\" viewBox=\"0 0 16 16\""
                     " shape-rendering=\"crispEdges\">\n";
    for (const IconCell &cell : iconCells()) {
        const QRectF &r = cell.rect;
        svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height())
                   .arg(cell.colour.name())
                   .toUtf8();
    }
    svg += "</svg>\n";
    return svg;
}

QIcon quillarIcon()
{
    QIcon icon;
    for (int size : {32, 16})
        icon.addPixmap(QPixmap::fromImage(drawQuillarIconImage(size)));
    return icon;
}

} // namespace quillar
