#include "app/command_line.h"
#include "app/settings_folder.h"
#include "platform/qt_italian.h"
#include "platform_widgets/qt_modal_ui.h"
#include "port/port_list.h"
#include "window/frm_quillar.h"
#include "window/quit_signals.h"

#include <QApplication>
#include <QDir>

#include <csignal>
#include <cstdio>

namespace {

QStringList programArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("quillar"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLAR_VERSION));
    // The desktop entry's name, so that task bars match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLAR_APP_ID));

    // Answered before any window system is contacted, and without writing a file.
    const quillar::CommandLineContext context{
        QDir::currentPath(), quillar::userSettingsFolder(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath())};
    const quillar::CommandLine options = quillar::parseCommandLine(programArguments(argc, argv), context);
    if (options.exitCode) {
        print(stdout, options.standardOutput);
        print(stderr, options.standardError);
        return *options.exitCode;
    }
    if (options.listPorts) {
        print(stdout, quillar::portListReport(options.settingsDir.value_or(QDir::currentPath())));
        return quillar::ExitStatus::Success;
    }
    if (options.settingsDir) {
        const QString failure = quillar::enterSettingsFolder(*options.settingsDir);
        if (!failure.isEmpty()) {
            print(stderr, QStringLiteral("quillar: %1\n").arg(failure));
            return quillar::ExitStatus::Failure;
        }
    }

    // A file size limit (ulimit -f) makes a log's write fail with EFBIG,
    // which the log reports, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);

    QApplication app(argc, argv);
    quillar::installQtItalian(app);
    static quillar::QtModalUi desktopUi; // outlives the window and its help window
    quillar::setDesktopModalUi(&desktopUi);
    quillar::frmQuillar window(QDir::currentPath()); // the settings folder, entered above
    window.display().setScrollback(options.scrollback);
    window.startLongSession({options.rawLog, options.textLog, options.reconnect});
    window.Form_Load();
    window.show();
    // Stopped from outside (kill, Ctrl+C, logout): close the window as the
    // user would, so the settings are saved, then end.
    quillar::QuitSignals quit;
    QObject::connect(&quit, &quillar::QuitSignals::received, &app, [&window] {
        window.close();
        QApplication::quit();
    });
    return app.exec();
}
