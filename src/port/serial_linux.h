#pragma once

#include "port/line_conditions.h"

#include <QString>

// Every Linux call the serial control makes beyond what QSerialPort does.
namespace quillar::serial_linux {

// Looks at the line of an open device: the error counters (TIOCGICOUNT) when
// `counters` is set, the modem lines (TIOCMGET) when `modem` is set. A part
// the device does not answer is left empty.
[[nodiscard]] LineSnapshot readLine(int fd, bool counters, bool modem);

// One non-blocking read of what the device holds, into data (at most max
// bytes). bytes is 0 when nothing waits; hungUp when the device is gone (a
// read of nothing at a hang-up, or an input/output error).
struct ReadResult
{
    qint64 bytes = 0;
    bool hungUp = false;
};
[[nodiscard]] ReadResult readSome(int fd, char *data, qint64 max);

// True when the device behind `fd` has hung up (adapter pulled, other end
// of a pseudo-terminal closed) rather than merely having nothing to read.
[[nodiscard]] bool hungUp(int fd);

// True when this process may not open `path` for reading. Tells a refusal of
// access apart from a device that another program holds, which QSerialPort
// reports alike.
[[nodiscard]] bool readAccessDenied(const QString &path);

// True when another running program has announced that it holds the device
// with a lock file ("LCK..ttyUSB0" in /run/lock, the holder's process number
// on its first line), as serial programs on Linux do. A lock whose holder is
// gone, or this process's own, does not count.
[[nodiscard]] bool lockedByAnotherProgram(const QString &path);

// What to do about a refused device: names it and the group that owns it.
[[nodiscard]] QString permissionAdvice(const QString &path);

} // namespace quillar::serial_linux
