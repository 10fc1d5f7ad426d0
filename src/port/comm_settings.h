#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace quillar {

// The line settings of the serial control, written and read as text
// "baud,parity,data,stop" (for example 9600,n,8,1).
struct CommSettings
{
    enum class Parity : char { None = 'n', Even = 'e', Odd = 'o', Mark = 'm', Space = 's' };
    enum class StopBits { One, OneAndHalf, Two };

    std::int32_t baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // The text form the control reports back: baud in decimal, parity as a
    // lower-case letter, stop bits as 1, 1.5 or 2.
    [[nodiscard]] QString text() const;

    friend bool operator==(const CommSettings &, const CommSettings &) = default;
};

// The slowest baud rate the control accepts.
inline constexpr std::int32_t MinBaud = 110;

// Whether the line a driver reports having applied is the one asked for:
// the same character frame, and a rate within BaudTolerancePercent of the
// one asked (drivers that can only come near a rate report the one they
// chose; a UART at such a distance still reads its peer). A driver that kept
// its old rate shows here.
inline constexpr int BaudTolerancePercent = 2;
[[nodiscard]] bool takenAsAsked(const CommSettings &asked, const CommSettings &applied);

// Reads a settings text. Nothing when any field is malformed or out of range:
// baud a whole number from MinBaud up, parity one of n e o m s (either case),
// data bits 4 to 8, stop bits 1, 1.5 or 2. Whether the device can do them is
// only known when they are applied.
[[nodiscard]] std::optional<CommSettings> parseCommSettings(const QString &text);

} // namespace quillar
