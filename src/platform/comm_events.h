#pragma once

#include <QString>

#include <cstdint>

namespace quillar {

// What the serial control reports, with the codes its kind of control gives
// them: received data, changes of the modem lines, line and buffer
// conditions, and a device that went away while the port was open.
enum class CommEvent : std::int16_t {
    Send = 1,        // the transmit buffer ran low
    Receive = 2,     // bytes wait in Input
    Cts = 3,         // the Clear To Send line changed
    Dsr = 4,         // the Data Set Ready line changed
    Cd = 5,          // the Carrier Detect line changed
    Ring = 6,        // ring detected
    Eof = 7,         // end-of-file character received
    DeviceLost = 68, // the device went away; the port is closed
    Break = 1001,
    CtsTimeout = 1002,
    DsrTimeout = 1003,
    Frame = 1004,
    Overrun = 1006,
    CdTimeout = 1007,
    RxOver = 1008, // receive buffer overflow
    RxParity = 1009,
    TxFull = 1010,
    Dcb = 1011, // the port's device control block could not be read
};

// The status line for an event: a fixed text for the line and buffer
// conditions, otherwise "Errore n.<code> su COM<port box text>" with the
// port box's text as it stands. A receive event sets no status: the result
// is a null string.
[[nodiscard]] QString commEventStatus(CommEvent event, const QString &portBoxText);

} // namespace quillar
