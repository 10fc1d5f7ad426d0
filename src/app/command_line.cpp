#include "command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

namespace quillar {

namespace {

enum class Kind {
    Flag,
    // A file or folder: made absolute against the start directory, so that it
    // keeps naming the same place after --dir changes the current directory.
    Path,
    // A whole number of characters for the display to keep.
    Scrollback,
};

struct OptionRow
{
    const char *name;
    const char *valueName; // shown in the help; empty for a flag
    const char *description;
    Kind kind;
    // Stores one occurrence; a value option given twice keeps the last.
    void (*apply)(CommandLine &, const QString &value, const CommandLineContext &);
};

// The program's own options, in the order the help lists them.
const OptionRow Options[] = {
    {"dir", "folder",
     "Keep Quillar.ini and look for COM<N> links in <folder> instead of the current directory. "
     "The folder is created when missing.",
     Kind::Path, [](CommandLine &c, const QString &v, const CommandLineContext &) { c.settingsDir = v; }},
    {"user-dir", "",
     "Use $XDG_CONFIG_HOME/quillar (by default ~/.config/quillar) as the settings folder, as --dir would. "
     "The menu entry starts Quillar this way.",
     Kind::Flag,
     [](CommandLine &c, const QString &, const CommandLineContext &x) { c.settingsDir = x.userSettingsFolder; }},
    {"list-ports", "",
     "Print which device each port number leads to now (the COM<N> links of the settings folder, then "
     "the system's serial ports in their numbering order) and end.",
     Kind::Flag, [](CommandLine &c, const QString &, const CommandLineContext &) { c.listPorts = true; }},
    {"log", "file",
     "Append every byte received while a port is open to <file>, exactly as received. It reaches the disk "
     "at least once a second and at every Close and exit.",
     Kind::Path, [](CommandLine &c, const QString &v, const CommandLineContext &) { c.rawLog = v; }},
    {"log-text", "file",
     "Append each display line to <file> as shown ([CR], [LF], [XX], <NNN>), prefixed by the local time its "
     "first byte arrived, to the millisecond.",
     Kind::Path, [](CommandLine &c, const QString &v, const CommandLineContext &) { c.textLog = v; }},
    {"scrollback", "characters",
     "Keep the last <characters> received on the display (1000 to 1000000000; 20000 when not given). "
     "Find, Copy all and Save take all of them.",
     Kind::Scrollback,
     [](CommandLine &c, const QString &v, const CommandLineContext &) { c.scrollback = v.toLongLong(); }},
    {"reconnect", "",
     "When the open port's device vanishes, watch for the same device and reopen it with the same settings "
     "as soon as it comes back.",
     Kind::Flag, [](CommandLine &c, const QString &, const CommandLineContext &) { c.reconnect = true; }},
};

// Options that name one settings folder each: only one of them may be given.
const char *const SettingsFolderOptions[] = {"dir", "user-dir"};

// Options the application object reads for itself from the same arguments
// (Qt's GUI options and those of its X11 platform). They are accepted here and
// left in place for it; each also works with two dashes, as in Qt.
struct QtOption
{
    const char *name;
    bool takesValue;
};
const QtOption QtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"display", true},
    {"geometry", true},
    {"title", true},
    {"icon", true},
    {"name", true},
    {"visual", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
};

QString text(const char *s)
{
    return QString::fromUtf8(s);
}

QString programName(const QStringList &arguments)
{
    const QString name = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
    return name.isEmpty() ? QStringLiteral("quillar") : name;
}

// The parser's help, naming the program as it was started rather than with
// the placeholder it uses when there is no application object.
QString helpText(const QCommandLineParser &parser, const QString &program)
{
    QString help = parser.helpText();
    help.replace(QStringLiteral("<executable_name>"), program);
    return help + QStringLiteral("\nQt's own options, such as -platform, -display and -style, also apply.\n");
}

bool isScrollback(const QString &value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    const qint64 n = value.toLongLong();
    return digits.match(value).hasMatch() && n >= Scrollback::Least && n <= Scrollback::Most;
}

CommandLine usageError(const QString &message, const QCommandLineParser &parser, const QString &program)
{
    CommandLine result;
    result.exitCode = ExitStatus::Usage;
    result.standardError = QStringLiteral("%1: %2\n\n%3").arg(program, message, helpText(parser, program));
    return result;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, const CommandLineContext &context)
{
    QCommandLineParser parser;
    // Qt's options are single-dash words (-platform, -display).
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Receive-only serial-port monitor: shows every byte a device sends, "
                       "as text and bracketed hexadecimal codes. It never sends a byte."));
    // Not addHelpOption(): its --help-all lists Qt's options, which need an
    // application object to print.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays these options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    std::vector<QCommandLineOption> own;
    for (const OptionRow &row : Options) {
        own.emplace_back(text(row.name), text(row.description), text(row.valueName));
        parser.addOption(own.back());
    }
    for (const QtOption &qt : QtOptions) {
        QCommandLineOption option(text(qt.name));
        if (qt.takesValue)
            option.setValueName(QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const QString program = programName(arguments);
    if (!parser.parse(arguments))
        return usageError(parser.errorText(), parser, program);
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().first()), parser,
                          program);

    CommandLine result;
    if (parser.isSet(help)) {
        result.exitCode = ExitStatus::Success;
        result.standardOutput = helpText(parser, program);
        return result;
    }
    if (parser.isSet(version)) {
        result.exitCode = ExitStatus::Success;
        result.standardOutput = QStringLiteral("quillar %1\n").arg(QCoreApplication::applicationVersion());
        return result;
    }

    int settingsFolders = 0;
    for (const char *name : SettingsFolderOptions)
        settingsFolders += parser.isSet(text(name)) ? 1 : 0;
    if (settingsFolders > 1)
        return usageError(QStringLiteral("--dir and --user-dir each name the settings folder; give one."), parser,
                          program);

    for (std::size_t i = 0; i < own.size(); ++i) {
        const OptionRow &row = Options[i];
        if (row.kind == Kind::Flag) {
            if (parser.isSet(own[i]))
                row.apply(result, QString(), context);
            continue;
        }
        for (QString value : parser.values(own[i])) {
            // An empty number is a number out of range, said as such below.
            if (value.isEmpty() && row.kind == Kind::Path)
                return usageError(QStringLiteral("--%1 needs a %2.").arg(text(row.name), text(row.valueName)), parser,
                                  program);
            if (row.kind == Kind::Path)
                value = QDir::cleanPath(QDir(context.startDirectory).absoluteFilePath(value));
            if (row.kind == Kind::Scrollback && !isScrollback(value))
                return usageError(QStringLiteral("--%1 takes a whole number of characters from %2 to %3.")
                                      .arg(text(row.name))
                                      .arg(Scrollback::Least)
                                      .arg(Scrollback::Most),
                                  parser, program);
            row.apply(result, value, context);
        }
    }
    if (!result.rawLog.isEmpty() && result.rawLog == result.textLog)
        return usageError(QStringLiteral("--log and --log-text name the same file."), parser, program);
    return result;
}

} // namespace quillar
