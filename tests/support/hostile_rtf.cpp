#include "hostile_rtf.h"

#include <QBuffer>
#include <QImage>

namespace quillar::test {

QByteArray imageBytes(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray jpegClaiming(int width, int height)
{
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::gray);
    QByteArray jpeg = imageBytes(small, "JPEG");
    // Start of frame: marker, length, precision, then height and width.
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

QByteArray rtfPictures(const QByteArray &jpeg, int count)
{
    return "{\\rtf1 " + ("{\\pict\\jpegblip " + jpeg.toHex() + "}").repeated(count) + "}";
}

QByteArray rtfWideRowThenRows(int rows, bool numbered)
{
    QByteArray rtf = "{\\rtf1\\trowd";
    for (int c = 1; c <= 64; ++c)
        rtf += "\\cellx" + QByteArray::number(c * 100);
    rtf += "\\intbl " + QByteArray("x\\cell ").repeated(64) + "\\row ";
    rtf.reserve(rtf.size() + qsizetype(rows) * (numbered ? 24 : 9));
    for (int row = 1; row <= rows; ++row)
        rtf += numbered ? "\\intbl r" + QByteArray::number(row) + "\\cell\\row " : QByteArray("\\cell\\row");
    return rtf + "}";
}

} // namespace quillar::test
