#pragma once

#include <QString>

namespace quillar {

// Event codes of the serial port control that the program gives meaning to.
namespace CommEvent {
inline constexpr int Receive = 2;          // comEvReceive: bytes wait in Input
inline constexpr int Break = 1001;         // comEventBreak
inline constexpr int Frame = 1004;         // comEventFrame
inline constexpr int Overrun = 1006;       // comEventOverrun
inline constexpr int RxOver = 1008;        // comEventRxOver
inline constexpr int RxParity = 1009;      // comEventRxParity
inline constexpr int TxFull = 1010;        // comEventTxFull
inline constexpr int DCB = 1011;           // comEventDCB
} // namespace CommEvent

// The status line for an event code: a fixed text for the line and buffer
// conditions, otherwise "Errore n.<code> su COM<port box text>" with the port
// box's current text as it stands. A receive event (code 2) sets no status:
// the result is a null string.
[[nodiscard]] QString commEventStatus(int code, const QString &portBoxText);

} // namespace quillar
