#pragma once

#include "port/port_names.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quillar {

// Where the kernel tells which serial ports and consoles the machine has.
// Tests give folders and files of their own.
struct SystemSources
{
    // Where the devices are, by the names the kernel gives them.
    QString devices = QStringLiteral("/dev");
    // One entry per terminal device, as /sys/class/tty holds them.
    QString ttyClass = QStringLiteral("/sys/class/tty");
    // The consoles the kernel writes to: a name first on each line.
    QString consoles = QStringLiteral("/proc/consoles");
    // The enabled consoles, names on one line.
    QString activeConsoles = QStringLiteral("/sys/class/tty/console/active");
};

// The serial ports the system lists, in no particular order: every terminal
// with a device behind it, less the serial slots where no UART answered
// (most of ttyS0 to ttyS31 on a PC). Read from what the kernel publishes,
// without opening a device: opening one, even to ask what it is, changes
// its modem lines, and may be the console's.
[[nodiscard]] QList<SystemPort> systemSerialPorts(const SystemSources &sources = {});

// The devices that carry the system console (/dev/ttyS0 on many machines,
// and /dev/console itself), by path. Opening one as a port resets the
// console's speed.
[[nodiscard]] QStringList systemConsoles(const SystemSources &sources = {});

// True when path, followed through its links, is one of `consoles`.
[[nodiscard]] bool carriesConsole(const QString &path, const QStringList &consoles);

} // namespace quillar
