#include "window/quit_signals.h"
#include "window/frm_quillar.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    quillar::frmQuillar window;
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
