#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <utility>

namespace quillar {

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Receive-only serial-port monitor: shows every byte a device sends, "
                       "as text and bracketed hexadecimal codes. It never sends a byte."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("Keep Quillar.ini and look for COM<N> links in <folder> "
                                                "(created when missing) instead of the current directory."),
                                 QStringLiteral("folder"));
    parser.addOption(dir);
    const QCommandLineOption rawLog(QStringLiteral("log"),
                                    QStringLiteral("Append every byte received while a port is open to <file>, "
                                                   "exactly as received."),
                                    QStringLiteral("file"));
    const QCommandLineOption textLog(QStringLiteral("log-text"),
                                     QStringLiteral("Append each display line to <file> as shown, prefixed by "
                                                    "the local time its first byte arrived."),
                                     QStringLiteral("file"));
    const QCommandLineOption reconnect(QStringLiteral("reconnect"),
                                       QStringLiteral("When the open port's device vanishes, reopen it as soon "
                                                      "as it comes back."));
    parser.addOptions({rawLog, textLog, reconnect});

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.exitCode = 2;
        result.standardError = QStringLiteral("quillar: %1\n%2").arg(parser.errorText(), parser.helpText());
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.exitCode = 2;
        result.standardError = QStringLiteral("quillar: unexpected argument '%1'\n%2")
                                   .arg(parser.positionalArguments().first(), parser.helpText());
        return result;
    }
    if (parser.isSet(help)) {
        result.exitCode = 0;
        result.standardOutput = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.exitCode = 0;
        result.standardOutput = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                             QCoreApplication::applicationVersion());
        return result;
    }
    if (parser.isSet(dir)) {
        const QString folder = parser.value(dir);
        if (folder.isEmpty()) {
            result.exitCode = 2;
            result.standardError = QStringLiteral("quillar: --dir needs a folder\n%1").arg(parser.helpText());
            return result;
        }
        result.settingsDir = folder;
    }
    for (const auto &[option, path] : {std::pair{&rawLog, &result.rawLog}, std::pair{&textLog, &result.textLog}}) {
        if (!parser.isSet(*option))
            continue;
        const QString name = parser.value(*option);
        if (name.isEmpty()) {
            result.exitCode = 2;
            result.standardError =
                QStringLiteral("quillar: --%1 needs a file\n%2").arg(option->names().first(), parser.helpText());
            return result;
        }
        *path = QDir::cleanPath(QDir::current().absoluteFilePath(name));
    }
    if (!result.rawLog.isEmpty() && result.rawLog == result.textLog) {
        result.exitCode = 2;
        result.standardError = QStringLiteral("quillar: --log and --log-text name the same file\n");
        return result;
    }
    result.reconnect = parser.isSet(reconnect);
    return result;
}

} // namespace quillar
