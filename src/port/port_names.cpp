#include "port_names.h"

#include "port/remote_address.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillar {

namespace {

// Compares two runs of digits by value without converting them, so that any
// length works: strip leading zeros, then the longer run is larger.
int compareDigitRuns(QStringView a, QStringView b)
{
    auto stripZeros = [](QStringView s) {
        qsizetype i = 0;
        while (i + 1 < s.size() && s[i] == u'0')
            ++i;
        return s.mid(i);
    };
    const QStringView x = stripZeros(a);
    const QStringView y = stripZeros(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

qsizetype runEnd(QStringView s, qsizetype from)
{
    const bool digits = s[from].isDigit();
    qsizetype i = from;
    while (i < s.size() && s[i].isDigit() == digits)
        ++i;
    return i;
}

AddressProblem sideProblem(const PairSide &side, const char *english, const char *italian)
{
    return {QString::fromUtf8(english).arg(side.number), QString::fromUtf8(italian).arg(side.number)};
}

// A side given by number leads where that number leads, unless that is
// nowhere or another pair.
void resolveSide(PairFile &pair, std::size_t index, QString &path, const QString &directory,
                 const std::function<QList<SystemPort>()> &listSystemPorts)
{
    const PairSide &side = pair.pair.sides[index];
    path = side.where;
    if (side.number == 0 || pair.kind == PairFile::Kind::Bad)
        return;
    // Looked at before resolving, so that a pair naming itself ends here.
    const QFileInfo link(QDir(directory).filePath(comLinkName(side.number)));
    const bool nested =
        link.isFile() && !link.isSymLink() && readPairFile(link.absoluteFilePath()).kind != PairFile::Kind::NotAPair;
    const auto resolved = nested ? std::nullopt : resolvePort(side.number, directory, listSystemPorts);
    std::optional<AddressProblem> wrong;
    if (nested)
        wrong = sideProblem(side, "names port %1, which is a pair itself",
                            "nomina la porta %1, che è a sua volta una coppia");
    else if (!resolved)
        wrong = sideProblem(side, "names port %1, which leads to no port",
                            "nomina la porta %1, che non porta ad alcuna porta");
    else if (!resolved->badAddress.isEmpty())
        wrong = sideProblem(side, "names port %1, whose COM file holds no usable address",
                            "nomina la porta %1, il cui file COM non contiene un indirizzo valido");
    if (!wrong) {
        path = resolved->path;
        return;
    }
    pair.kind = PairFile::Kind::Bad;
    pair.problem = *wrong;
    pair.line = side.line;
    pair.lineNumber = side.lineNumber;
}

} // namespace

void resolvePair(ResolvedPort &port, const QString &directory,
                 const std::function<QList<SystemPort>()> &listSystemPorts)
{
    std::array<QString, 2> paths;
    for (std::size_t i = 0; i < 2; ++i)
        resolveSide(port.pair, i, paths[i], directory, listSystemPorts);
    if (port.pair.kind == PairFile::Kind::Pair)
        port.path = pairPath(port.pair.pair, paths);
}

bool naturalLess(const QString &a, const QString &b)
{
    const QStringView x(a);
    const QStringView y(b);
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < x.size() && j < y.size()) {
        const qsizetype ie = runEnd(x, i);
        const qsizetype je = runEnd(y, j);
        const QStringView rx = x.mid(i, ie - i);
        const QStringView ry = y.mid(j, je - j);
        const bool dx = rx.front().isDigit();
        const bool dy = ry.front().isDigit();
        int c = 0;
        if (dx && dy)
            c = compareDigitRuns(rx, ry);
        else
            c = rx.compare(ry);
        if (c != 0)
            return c < 0;
        i = ie;
        j = je;
    }
    if ((i < x.size()) != (j < y.size()))
        return j < y.size();
    // Equal in natural order ("ttyS01" and "ttyS1"): plain text decides, so
    // the order is total and stable.
    return a < b;
}

QList<SystemPort> naturallySorted(QList<SystemPort> ports)
{
    std::stable_sort(ports.begin(), ports.end(), [](const SystemPort &a, const SystemPort &b) {
        if (a.name != b.name)
            return naturalLess(a.name, b.name);
        return naturalLess(a.location, b.location);
    });
    return ports;
}

QString comLinkName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

std::optional<ResolvedPort> resolvePort(int number, const QString &directory,
                                        const std::function<QList<SystemPort>()> &listSystemPorts)
{
    if (number < 1)
        return std::nullopt;

    const QFileInfo link(QDir(directory).filePath(comLinkName(number)));
    if (!directory.isEmpty() && (link.exists() || link.isSymLink())) {
        ResolvedPort port;
        port.fromLink = true;
        const QString target = link.canonicalFilePath();
        port.exists = !target.isEmpty();
        port.path = port.exists ? target : link.absoluteFilePath();
        if (!link.isSymLink() && link.isFile()) {
            port.pair = readPairFile(port.path);
            if (port.pair.kind != PairFile::Kind::NotAPair) {
                resolvePair(port, directory, listSystemPorts);
                return port;
            }
            const RemoteFile file = readRemoteFile(port.path);
            if (file.kind == RemoteFile::Kind::Address)
                port.path = file.address.text();
            if (file.kind == RemoteFile::Kind::Bad) {
                port.badAddress = file.firstLine;
                port.addressProblem = file.problem.italian; // for the window
            }
        }
        return port;
    }

    const QList<SystemPort> sorted = naturallySorted(listSystemPorts());
    if (number > sorted.size())
        return std::nullopt;
    ResolvedPort port;
    port.path = sorted[number - 1].location;
    return port;
}

} // namespace quillar
