#pragma once

#include <QString>

namespace quillar {

// The nine values that persist between runs in "Quillar.ini", in file order.
// Box texts are kept as typed. The window values are twips of the outer frame;
// a double holds both a window's 32-bit float and every whole number the
// reader accepts exactly, so nothing changes on the way through the record.
// A default-constructed record holds empty texts and zeros.
struct SettingsRecord
{
    QString port;         // 1: txtCom1, serial port number
    QString baud;         // 2: txtBaud1, baud rate
    double left = 0.0;    // 3: Left of frmQuillar
    double top = 0.0;     // 4: Top
    double width = 0.0;   // 5: Width
    double height = 0.0;  // 6: Height
    QString lowerBound;   // 7: Text4, lowest byte shown as text is this + 1
    QString higherBound;  // 8: Text2, highest byte shown as text is this - 1
    QString lineFeedTime; // 9: Text1, quiet time in ms; 0 breaks on line feed only

    static constexpr int FieldCount = 9;

    // Top left corner, 11000 x 4500 twips, port 1 at 4800 baud, bytes 32 to
    // 127 as text, 150 ms quiet time.
    [[nodiscard]] static SettingsRecord defaults();

    [[nodiscard]] bool operator==(const SettingsRecord &other) const = default;
};

// A damaged file may hold anything before the point where reading failed:
// binary junk, or the start of some other file. Of the texts read from one,
// each that its box could not hold as typed takes the default's value: the
// port and baud boxes take up to 2 and 6 digits, the bounds up to 3
// printable characters and the line-feed time up to 4. Window values are
// left to the window, which never comes up smaller than its controls.
[[nodiscard]] SettingsRecord usableAfterDamage(SettingsRecord record);

} // namespace quillar
