#include "app/command_line.h"
#include "window/frm_quillar.h"
#include "window/quit_signals.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

QStringList programArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("quillar"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLAR_VERSION));

    // Answered before any window system is contacted, and without writing a file.
    const quillar::CommandLine options = quillar::parseCommandLine(programArguments(argc, argv));
    if (options.exitCode) {
        std::fputs(options.standardOutput.toLocal8Bit().constData(), stdout);
        std::fputs(options.standardError.toLocal8Bit().constData(), stderr);
        return *options.exitCode;
    }
    if (options.settingsDir) {
        const QString folder = *options.settingsDir;
        if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
            std::fprintf(stderr, "quillar: cannot use the folder %s\n", folder.toLocal8Bit().constData());
            return 2;
        }
    }

    QApplication app(argc, argv);
    quillar::frmQuillar window;
    window.startLongSession(options.rawLog, options.textLog, options.reconnect);
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
