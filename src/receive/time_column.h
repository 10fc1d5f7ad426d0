#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace quillar {

class DisplayBuffer;

// What the column beside the display's text shows for each line: nothing,
// the time of day its first byte arrived, the time since the line before,
// or the time since the port opened. The text itself never holds it.
enum class TimeColumn { Off, TimeOfDay, SincePrevious, SinceOpen };

inline constexpr std::array<TimeColumn, 4> TimeColumns{TimeColumn::Off, TimeColumn::TimeOfDay,
                                                       TimeColumn::SincePrevious, TimeColumn::SinceOpen};

// The widest time it shows, in characters: "12:34:56.789", or 115 days
// as "+9999999.999"; longer ones are cut at the left.
inline constexpr int TimeColumnChars = 12;

// The name the remembered choice is written with, and back: "off",
// "time-of-day", "since-previous", "since-open".
[[nodiscard]] QString timeColumnName(TimeColumn column);
[[nodiscard]] std::optional<TimeColumn> timeColumnFromName(QStringView name);
// The menu's words for it, '&' before the letter that picks it.
[[nodiscard]] QString timeColumnLabel(TimeColumn column);

// The column's text for a line: empty for a line with no time yet, and for
// a difference with nothing to count from (the first line after Clear, a
// line received before any opening).
[[nodiscard]] QString lineTimeText(TimeColumn column, const DisplayBuffer &buffer, qsizetype line);
// "12:34:56.789", local time.
[[nodiscard]] QString timeOfDayText(qint64 msSinceEpoch);
// "+0.125", "+12.345", "-0.005" (a clock set back).
[[nodiscard]] QString elapsedText(qint64 ms);

} // namespace quillar
