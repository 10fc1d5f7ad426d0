#pragma once

#include <QByteArray>

class QImage;

namespace quillar::test {

// RTF built to hurt the help window, for its tests and its benchmark.

[[nodiscard]] QByteArray imageBytes(const QImage &image, const char *format);

// A small real JPEG whose frame header claims width x height.
[[nodiscard]] QByteArray jpegClaiming(int width, int height);

[[nodiscard]] QByteArray rtfPictures(const QByteArray &jpeg, int count);

// A row of 64 cells, then `rows` rows of one cell ("r1", "r2", ... or empty),
// each of which takes 64 cells, the table's columns following all its rows.
[[nodiscard]] QByteArray rtfWideRowThenRows(int rows, bool numbered);

} // namespace quillar::test
