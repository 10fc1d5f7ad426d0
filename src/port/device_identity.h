#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillar {

// What names the device an open port reads, so that the same device is
// known again when it comes back: the path it was opened at, the COM<N> link
// that led there, and its lasting names under /dev/serial/by-id (which
// follow an adapter to whichever ttyUSB number it gets next).
struct DeviceIdentity
{
    QString devicePath;
    QString commLink;      // absolute; empty when the system's list named the device
    QStringList linkHops;  // the symbolic links from commLink to the device, in order
    QStringList byIdPaths; // links in the by-id folder that led to devicePath

    [[nodiscard]] bool isEmpty() const { return devicePath.isEmpty(); }
};

// The identity of the device at devicePath (as opened), found through
// commLink (or not), with the by-id links of byIdFolder that lead to it.
[[nodiscard]] DeviceIdentity identifyDevice(const QString &devicePath, const QString &commLink,
                                            const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));

// Where the device is now when it is back: the COM<N> link's target when the
// link leads to a file; without a link, the same path; else a by-id link's
// target. Nothing while it is away.
[[nodiscard]] std::optional<QString> returnedDevice(const DeviceIdentity &identity);

// A folder to watch and the name in it whose creation, arrival by rename or
// change of owner or mode may mean that the device is back.
struct WatchPoint
{
    QString folder;
    QString name;
    friend bool operator==(const WatchPoint &, const WatchPoint &) = default;
};

// For each path that may appear: its own folder, or while that folder is
// missing (the by-id folder goes with the last adapter) the nearest folder
// that exists, watching for the next part of the path.
[[nodiscard]] QList<WatchPoint> watchPoints(const DeviceIdentity &identity);

} // namespace quillar
