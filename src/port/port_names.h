#pragma once

#include "port/port_pair.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace quillar {

// A serial port as the system lists it: its short name (ttyUSB0) and the
// path of its device (/dev/ttyUSB0).
struct SystemPort
{
    QString name;
    QString location;
};

// Natural order of port names: letters compare as text, runs of digits as
// numbers, so ttyUSB2 comes before ttyUSB10.
[[nodiscard]] bool naturalLess(const QString &a, const QString &b);

// The system's ports sorted by naturalLess on their names.
[[nodiscard]] QList<SystemPort> naturallySorted(QList<SystemPort> ports);

// Where port number N leads.
struct ResolvedPort
{
    // The device path to open. For a COM<N> link this is the link's final
    // target, so that the lock taken on opening is named after the device
    // and shared with every other program that opens it. For a COM<N> file
    // that names a remote port, its address (rfc2217://HOST:PORT).
    QString path;
    // True when the path came from a COM<N> file or link in the directory.
    bool fromLink = false;
    // False when a COM<N> link leads nowhere (the device behind it is gone).
    bool exists = true;
    // A COM<N> file whose first line means to be a remote port's address but
    // is none: that line, and what is wrong with it.
    QString badAddress;
    QString addressProblem;
    // A COM<N> file whose first line is "pair": the path is the pair's
    // (pairPath), its sides' numbers resolved; or, Bad, what is wrong.
    PairFile pair;
};

// The file or link name that maps port number N: COM<N>.
[[nodiscard]] QString comLinkName(int number);

// Resolves port number N: a file or link named COM<N> in `directory` first
// (even a dangling one: its device is gone, not another port meant; a plain
// file whose first line is a remote port's address leads there, one whose
// first line is "pair" to the pair of its sides), else
// the N-th of the ports `listSystemPorts` gives, in natural order (asked only
// when there is no such file). Nothing for N below 1 or beyond the list.
[[nodiscard]] std::optional<ResolvedPort> resolvePort(int number, const QString &directory,
                                                      const std::function<QList<SystemPort>()> &listSystemPorts);

// Resolves the sides of the pair `port` holds (port.pair): the path becomes
// the pair's, or the pair Bad when a side's number leads nowhere or to a pair.
void resolvePair(ResolvedPort &port, const QString &directory,
                 const std::function<QList<SystemPort>()> &listSystemPorts);

} // namespace quillar
