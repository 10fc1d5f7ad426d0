#pragma once

#include <QByteArray>

class QIODevice;

namespace quillar {

class PlotData;

// The kept samples as CSV (RFC 4180, UTF-8, CR LF): a header "numero,ora"
// and the series' names, then a row a line that gave numbers, oldest
// first: its number, the local time of its first byte to the millisecond,
// and each series' value, empty where the line had none. Values are
// written in the fewest digits that read back as the same number.
[[nodiscard]] QByteArray csvHeader(const PlotData &data);
// False when the device failed to take a write.
[[nodiscard]] bool writeCsv(const PlotData &data, QIODevice &out);

} // namespace quillar
