#include "device_identity.h"

#include <QDir>
#include <QFileInfo>

namespace quillar {

namespace {

// Links followed at most, as the system does before giving up on a loop.
constexpr int MaxHops = 40;

QStringList hopsFrom(const QString &link)
{
    QStringList hops;
    QFileInfo at(link);
    while (at.isSymLink() && hops.size() < MaxHops) {
        hops << at.absoluteFilePath();
        at.setFile(at.symLinkTarget());
    }
    return hops;
}

} // namespace

DeviceIdentity identifyDevice(const QString &devicePath, const QString &commLink, const QString &byIdFolder)
{
    DeviceIdentity identity;
    identity.devicePath = devicePath;
    identity.commLink = commLink;
    if (!commLink.isEmpty())
        identity.linkHops = hopsFrom(commLink);
    const QDir byId(byIdFolder);
    for (const QFileInfo &entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink() && entry.canonicalFilePath() == devicePath)
            identity.byIdPaths << entry.absoluteFilePath();
    }
    return identity;
}

std::optional<QString> returnedDevice(const DeviceIdentity &identity)
{
    if (!identity.commLink.isEmpty()) {
        const QString target = QFileInfo(identity.commLink).canonicalFilePath();
        if (!target.isEmpty())
            return target;
    } else if (!identity.devicePath.isEmpty() && QFileInfo::exists(identity.devicePath)) {
        // Only a path the system's list named: where a COM<N> link chose the
        // device, the link says which device is meant, and the old path may
        // already be another device's (pseudo-terminal numbers are reused).
        return identity.devicePath;
    }
    for (const QString &name : identity.byIdPaths) {
        const QString target = QFileInfo(name).canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
    return std::nullopt;
}

QList<WatchPoint> watchPoints(const DeviceIdentity &identity)
{
    QStringList paths = identity.linkHops;
    if (!identity.commLink.isEmpty())
        paths << identity.commLink;
    paths << identity.devicePath << identity.byIdPaths;

    QList<WatchPoint> points;
    for (const QString &path : std::as_const(paths)) {
        if (path.isEmpty())
            continue;
        QFileInfo at(QDir::cleanPath(path));
        // Climb to the first folder that exists.
        while (!at.isRoot() && !QFileInfo(at.path()).isDir())
            at.setFile(at.path());
        if (at.isRoot())
            continue;
        const WatchPoint point{at.path(), at.fileName()};
        if (!points.contains(point))
            points << point;
    }
    return points;
}

} // namespace quillar
