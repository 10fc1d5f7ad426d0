// Writes the program's icon for the desktop's icon theme, from the drawing the
// windows use: hicolor/<N>x<N>/apps/<id>.png and hicolor/scalable/apps/<id>.svg
// under the given folder.
#include "window/app_icon.h"

#include <QDir>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: render-icons <output folder> <application id>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString id = QString::fromLocal8Bit(argv[2]);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        const QString file = out.filePath(folder + u'/' + id + QStringLiteral(".png"));
        if (!out.mkpath(folder) || !quillar::drawQuillarIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "render-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const QString folder = QStringLiteral("hicolor/scalable/apps");
    QSaveFile svg(out.filePath(folder + u'/' + id + QStringLiteral(".svg")));
    if (!out.mkpath(folder) || !svg.open(QIODevice::WriteOnly) || svg.write(quillar::quillarIconSvg()) < 0
        || !svg.commit()) {
        std::fprintf(stderr, "render-icons: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}
