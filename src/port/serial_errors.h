#pragma once

#include "platform/numbered_error.h"
#include "port/serial_linux.h"

#include <QString>

#include <optional>

// How the serial device's failures are reported: the number the program
// gives each cause, and a description that says what to fix.
namespace quillar::serial_errors {

// Any other failure to open: the number the program shows with the
// system's own description.
inline constexpr int OtherOpenFailure = 8015;

// The failure for an errno met while opening or setting up `path`. `link`
// is the COM<N> link it was found through (empty for none).
[[nodiscard]] NumberedError openFailure(int errnoValue, const QString &path, const QString &link);

// `path` (found through `link`) cannot be a serial port: the kind of file it
// is, or that it is missing, is named with its path.
[[nodiscard]] NumberedError notAPort(serial_linux::PathKind kind, const QString &path, const QString &link);

[[nodiscard]] NumberedError invalidSettings();
// Port `number` leads nowhere: no COM<N> in `folder`, and the system lists
// only `systemPorts` serial ports (none at all for a number below 1).
[[nodiscard]] NumberedError noSuchPort(int number, const QString &folder, qsizetype systemPorts);
// The driver of `path` (found through `link`) did not take `asked`: it kept
// `kept`, or refused outright when `kept` is empty.
[[nodiscard]] NumberedError refusedSettings(const QString &path, const QString &link, const QString &asked,
                                            const QString &kept);
// Another program holds `path` (found through `link`): the one its lock file
// names, or, without one, a program that opened it for itself alone.
[[nodiscard]] NumberedError busy(const QString &path, const QString &link,
                                 const std::optional<serial_linux::LockHolder> &holder);

} // namespace quillar::serial_errors
