#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quillar {

// What the command line asks for. With no options the program starts exactly
// as it always has: settings, COM<N> links and the help document in the
// current directory.
struct CommandLine
{
    // Set when the program is to print and end instead of opening its window:
    // --help and --version end with 0, a bad option or value with 2.
    std::optional<int> exitCode;
    QString standardOutput;
    QString standardError;

    // --dir: the settings folder, made the current directory before anything
    // is read (created when missing).
    std::optional<QString> settingsDir;

    // --log, --log-text: absolute paths, resolved against the directory the
    // program was started in, so that a relative name means what the user
    // typed even when --dir changes the current directory. Empty when not given.
    QString rawLog;
    QString textLog;
    // --reconnect: reopen a vanished device when it comes back.
    bool reconnect = false;
};

// Reads the program's arguments (arguments[0] is the program). Needs no
// application object, so --help and --version work without a display.
// Relative file names are resolved against the current directory of the call.
[[nodiscard]] CommandLine parseCommandLine(const QStringList &arguments);

} // namespace quillar
