#include "window/frm_quillar.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    quillar::frmQuillar window;
    window.show();
    return app.exec();
}
