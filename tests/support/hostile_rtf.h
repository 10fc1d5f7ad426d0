#pragma once

#include <QByteArray>

class QImage;

namespace quillar::test {

// RTF built to hurt the help window, shared by its tests and its benchmark.

// The image in a file format ("PNG", "JPEG"), as a picture's data.
[[nodiscard]] QByteArray imageBytes(const QImage &image, const char *format);

// A small real JPEG whose frame header claims width x height: decoding it
// as declared takes width x height x 4 bytes.
[[nodiscard]] QByteArray jpegClaiming(int width, int height);

// {\rtf1 followed by count copies of {\pict\jpegblip <hex of jpeg>}}.
[[nodiscard]] QByteArray rtfPictures(const QByteArray &jpeg, int count);

// One table row of 64 cells, then `rows` rows of one cell each: "r1", "r2",
// ... or, when numbered is false, empty (\cell\row, 9 bytes a row). The
// table's columns follow all its rows, so each row takes 64 cells or more.
[[nodiscard]] QByteArray rtfWideRowThenRows(int rows, bool numbered);

} // namespace quillar::test
