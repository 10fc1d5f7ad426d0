#pragma once

#include "settings_record.h"

#include <QByteArray>

namespace quillar {

// The record's exact bytes: texts in double quotes, unchanged (an inner quote
// is not escaped); window values in plain decimal; one comma between fields,
// no blanks; CR LF after the ninth field. The default record is 44 bytes.
[[nodiscard]] QByteArray formatSettingsRecord(const SettingsRecord &record);

// A window value in plain decimal: a leading minus when negative, no plus,
// no exponent, a period before a fraction, and the fewest digits that give
// the same 32-bit float back (or the same double, for a value no float holds).
// A value that is not finite is no window position and is written as 0.
[[nodiscard]] QByteArray formatTwips(double value);

} // namespace quillar
