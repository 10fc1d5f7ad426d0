#pragma once

#include "receive/scrollback.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillar {

// Exit statuses of the program besides the window's own.
namespace ExitStatus {
constexpr int Success = 0;
// The settings folder cannot be created or entered.
constexpr int Failure = 1;
// A bad option or value.
constexpr int Usage = 2;
} // namespace ExitStatus

// What the parser needs to know of the world, handed in so that it reads no
// environment of its own.
struct CommandLineContext
{
    // The directory the program was started in: relative paths given on the
    // command line mean a place under it, even once --dir has made another
    // folder current.
    QString startDirectory;
    // The folder --user-dir names (see settings_folder.h).
    QString userSettingsFolder;
};

// What the command line asks for. With no options the program starts exactly
// as it always has: settings, COM<N> links and the help document in the
// current directory.
struct CommandLine
{
    // Set when the program is to print and end instead of opening its window:
    // --help and --version end with Success, a bad option or value with Usage.
    std::optional<int> exitCode;
    QString standardOutput;
    QString standardError;

    // --dir or --user-dir: the settings folder, as an absolute path. It is made
    // the current directory before anything is read (created when missing).
    std::optional<QString> settingsDir;

    // --list-ports: print what each port number leads to, then end.
    bool listPorts = false;

    // --log, --log-text: absolute paths (empty when not given).
    QString rawLog;
    QString textLog;
    // --reconnect: reopen a vanished device when it comes back.
    bool reconnect = false;
    // --scrollback: how many characters the display keeps.
    qint64 scrollback = Scrollback::Default;
};

// Reads the program's arguments (arguments[0] is the program). Needs no
// application object, so --help and --version work without a display. Qt's
// own options (-platform, -display, -style, ...) are accepted and left for
// the application object, which reads them from the same arguments.
[[nodiscard]] CommandLine parseCommandLine(const QStringList &arguments, const CommandLineContext &context);

} // namespace quillar
