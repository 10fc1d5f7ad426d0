#include "app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace quillar {

QImage drawQuillarIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double u = size / 16.0; // one cell of the 16 x 16 design
    const auto cell = [u](double x, double y, double w, double h) { return QRectF(x * u, y * u, w * u, h * u); };

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    // Case and screen.
    p.fillRect(cell(0, 1, 16, 14), QColor(0x80, 0x80, 0x80));
    p.fillRect(cell(1, 2, 14, 12), QColor(0x00, 0x00, 0x00));
    // Yellow ruler with its ticks.
    p.fillRect(cell(1, 2, 14, 2), QColor(0x80, 0x80, 0x00));
    for (int x = 2; x < 15; x += 3)
        p.fillRect(cell(x, 2, 1, 1.5), QColor(0xff, 0xff, 0x00));
    // Received lines: text in white, a hex byte in cyan, the count in lime.
    p.fillRect(cell(2, 6, 7, 1), QColor(0xff, 0xff, 0xff));
    p.fillRect(cell(10, 6, 3, 1), QColor(0x00, 0xff, 0xff));
    p.fillRect(cell(2, 9, 5, 1), QColor(0xff, 0xff, 0xff));
    p.fillRect(cell(8, 9, 4, 1), QColor(0x00, 0xff, 0x00));
    p.fillRect(cell(2, 12, 3, 1), QColor(0xff, 0xff, 0xff));
    p.end();
    return image;
}

QIcon quillarIcon()
{
    QIcon icon;
    for (int size : {32, 16})
        icon.addPixmap(QPixmap::fromImage(drawQuillarIconImage(size)));
    return icon;
}

} // namespace quillar
