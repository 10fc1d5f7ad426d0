#include "system_ports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace quillar {

namespace {

// Read whole: files under /proc and /sys tell no size.
QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// A serial core port publishes its UART's type; 0 is a slot with none.
bool noUartBehind(const QString &entry)
{
    const QString type = entry + QStringLiteral("/type");
    return QFileInfo::exists(type) && linesOf(type).value(0).trimmed() == QStringLiteral("0");
}

QString devicePath(const SystemSources &sources, const QString &name)
{
    return QDir(sources.devices).filePath(name);
}

} // namespace

QList<SystemPort> systemSerialPorts(const SystemSources &sources)
{
    QList<SystemPort> ports;
    const QStringList names =
        QDir(sources.ttyClass).entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString &name : names) {
        const QString entry = QDir(sources.ttyClass).filePath(name);
        // Virtual terminals, the console and pseudo-terminals have no device;
        // a Bluetooth port has none either, and is a port all the same.
        const bool device = QFileInfo(entry + QStringLiteral("/device")).exists();
        if ((device || name.startsWith(QStringLiteral("rfcomm"))) && !noUartBehind(entry))
            ports.append({name, devicePath(sources, name)});
    }
    return ports;
}

QStringList systemConsoles(const SystemSources &sources)
{
    QStringList consoles{devicePath(sources, QStringLiteral("console"))};
    auto add = [&](const QString &name) {
        if (!name.isEmpty() && !consoles.contains(devicePath(sources, name)))
            consoles.append(devicePath(sources, name));
    };
    for (const QString &line : linesOf(sources.consoles))
        add(line.section(u' ', 0, 0, QString::SectionSkipEmpty).trimmed());
    for (const QString &line : linesOf(sources.activeConsoles))
        for (const QString &name : line.split(u' ', Qt::SkipEmptyParts))
            add(name.trimmed());
    return consoles;
}

bool carriesConsole(const QString &path, const QStringList &consoles)
{
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return false;
    return std::any_of(consoles.begin(), consoles.end(),
                       [&device](const QString &console) { return QFileInfo(console).canonicalFilePath() == device; });
}

} // namespace quillar
