#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

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
    return result;
}

} // namespace quillar
