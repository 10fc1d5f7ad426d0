#pragma once

#include "port/port_names.h"
#include "port/system_ports.h"

#include <QHash>
#include <QList>
#include <QString>

namespace quillar {

// A COM<N> file or link in a settings folder.
struct ComLink
{
    int number = 0;
    // Where a symbolic link points; empty for a plain file.
    QString linkTarget;
    // The file it leads to now; empty when it leads nowhere (the device is gone).
    QString device;
    // For a plain file naming a remote port: its address, or what is wrong
    // with the address it means to be.
    QString remote;
    QString remoteProblem;
    // For a plain file declaring a pair: its sides (NAME=WHERE, as written),
    // or the line that is wrong and what is wrong with it.
    QString pair;
    QString pairProblem;
};

// The COM<N> entries of a folder that port number N would use, by number.
// Names the port box can never reach (COM0, COM01, com2) are left out.
[[nodiscard]] QList<ComLink> comLinksIn(const QString &directory);

// For each device reachable through a stable name in byIdDirectory (such as
// /dev/serial/by-id), that name, keyed by the device's canonical path.
[[nodiscard]] QHash<QString, QString> stableNames(const QString &byIdDirectory);

// What each port number leads to: the links of `directory`, then `sortedPorts`
// numbered from 1, each with its stable name where there is one, and marked
// where it carries one of `consoles`, which start-up leaves closed.
[[nodiscard]] QString formatPortList(const QString &directory, const QList<ComLink> &links,
                                     const QList<SystemPort> &sortedPorts, const QHash<QString, QString> &stable,
                                     const QStringList &consoles);

// formatPortList for `directory` and the machine's own ports.
[[nodiscard]] QString portListReport(const QString &directory);

} // namespace quillar
