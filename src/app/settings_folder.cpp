#include "settings_folder.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace quillar {

namespace {
QString lastSystemError()
{
    return errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("unknown error");
}
} // namespace

QString userSettingsFolder(const QString &xdgConfigHome, const QString &homeDirectory)
{
    const QString base =
        QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome : QDir(homeDirectory).filePath(QStringLiteral(".config"));
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("quillar")));
}

QString enterSettingsFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder);
    errno = 0;
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1: %2").arg(folder, lastSystemError());
    if (!QDir::setCurrent(folder))
        return QStringLiteral("cannot enter the folder %1: %2").arg(folder, lastSystemError());
    return {};
}

} // namespace quillar
