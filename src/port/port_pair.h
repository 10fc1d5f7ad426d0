#pragma once

#include "port/remote_address.h"

#include <QString>
#include <QStringView>

#include <array>

namespace quillar {

// One side of a pair: a short name, and where its port is, as the file
// wrote it: a port number, a device path or a remote port's address.
struct PairSide
{
    QString name;
    QString where;
    // The port number `where` names, 0 for a path or an address.
    int number = 0;
    // The file's line that declared it, and its number (from 1).
    QString line;
    int lineNumber = 0;

    friend bool operator==(const PairSide &, const PairSide &) = default;
};

// Two ports read as one: each direction of a link tapped by a receive-only
// adapter. Both sides run at the port's one rate.
struct PortPair
{
    std::array<PairSide, 2> sides;

    friend bool operator==(const PortPair &, const PortPair &) = default;
};

// What a COM<N> file says when its first line is "pair": the pair, or the
// line that is wrong (numbered from 1, as written) and what is wrong with it.
struct PairFile
{
    enum class Kind { NotAPair, Pair, Bad };
    Kind kind = Kind::NotAPair;
    PortPair pair;
    int lineNumber = 0;
    QString line;
    AddressProblem problem; // for Bad
};

// The longest side name, in characters.
inline constexpr int PairNameChars = 8;

// Reads a pair file's text: a first line "pair", then one line a side,
// NAME = WHERE, and nothing else but blank lines and lines starting with #.
// NAME: 1 to PairNameChars letters, digits, - or _, the two different;
// WHERE: a port number from 1 to 99, an absolute device path, or
// rfc2217://HOST:PORT or tcp://HOST:PORT.
[[nodiscard]] PairFile parsePairText(QStringView text);
// The same for a file; only its first 64 KiB are read.
[[nodiscard]] PairFile readPairFile(const QString &path);

// A pair whose sides lead to `paths` (device paths or addresses), as one
// path that the serial control opens: "pair:" and a line a side, NAME=PATH.
[[nodiscard]] QString pairPath(const PortPair &pair, const std::array<QString, 2> &paths);
[[nodiscard]] bool isPairPath(QStringView path);
// The sides of a pair path, `where` holding each side's path.
[[nodiscard]] PortPair pairFromPath(QStringView path);

} // namespace quillar
