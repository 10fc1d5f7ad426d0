#include "port_list.h"

#include "port/port_pair.h"
#include "port/remote_address.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace quillar {

namespace {

// Rows of text cells printed as aligned columns, two spaces apart.
QString columns(const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    QString out;
    for (const QStringList &row : rows) {
        QString line = QStringLiteral("  ");
        for (qsizetype i = 0; i < row.size(); ++i)
            line += row[i].leftJustified(widths[i] + 2);
        while (line.endsWith(u' '))
            line.chop(1);
        out += line + u'\n';
    }
    return out;
}

const QString ConsoleMark = QStringLiteral("(system console: not opened at start-up)");

// What a plain COM<N> file says: a pair, a remote port, or what is wrong.
void readComFile(const QString &path, ComLink &link)
{
    const PairFile pair = readPairFile(path);
    if (pair.kind == PairFile::Kind::Pair) {
        for (const PairSide &side : pair.pair.sides)
            link.pair += (link.pair.isEmpty() ? QString() : QStringLiteral("  ")) + side.name + u'=' + side.where;
        return;
    }
    if (pair.kind == PairFile::Kind::Bad) {
        link.pairProblem =
            QStringLiteral("line %1 \"%2\", which %3").arg(pair.lineNumber).arg(pair.line, pair.problem.what);
        return;
    }
    const RemoteFile file = readRemoteFile(path);
    if (file.kind == RemoteFile::Kind::Address)
        link.remote = file.address.text();
    if (file.kind == RemoteFile::Kind::Bad)
        link.remoteProblem = QStringLiteral("holds \"%1\", which %2").arg(file.firstLine, file.problem.what);
}

} // namespace

QList<ComLink> comLinksIn(const QString &directory)
{
    QList<ComLink> links;
    // System: a link whose device is gone still means its number.
    const QFileInfoList entries = QDir(directory).entryInfoList(
        {QStringLiteral("COM*")}, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        bool ok = false;
        const int number = entry.fileName().mid(3).toInt(&ok);
        if (!ok || number < 1 || comLinkName(number) != entry.fileName())
            continue;
        ComLink link;
        link.number = number;
        if (entry.isSymLink())
            link.linkTarget = entry.symLinkTarget();
        link.device = entry.canonicalFilePath();
        if (!entry.isSymLink() && entry.isFile())
            readComFile(entry.absoluteFilePath(), link);
        links.append(link);
    }
    std::sort(links.begin(), links.end(), [](const ComLink &a, const ComLink &b) { return a.number < b.number; });
    return links;
}

QHash<QString, QString> stableNames(const QString &byIdDirectory)
{
    QHash<QString, QString> names;
    const QFileInfoList entries =
        QDir(byIdDirectory).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString device = entry.canonicalFilePath();
        if (!device.isEmpty() && !names.contains(device))
            names.insert(device, entry.absoluteFilePath());
    }
    return names;
}

QString formatPortList(const QString &directory, const QList<ComLink> &links, const QList<SystemPort> &sortedPorts,
                       const QHash<QString, QString> &stable, const QStringList &consoles)
{
    QString out;
    if (links.isEmpty()) {
        out += QStringLiteral("COM<N> links in %1: none\n").arg(directory);
    } else {
        out += QStringLiteral("COM<N> links in %1:\n").arg(directory);
        QList<QStringList> rows;
        for (const ComLink &link : links) {
            if (link.device.isEmpty())
                rows.append({comLinkName(link.number), QStringLiteral("missing"),
                             QStringLiteral("(links to %1)").arg(link.linkTarget)});
            else if (!link.remote.isEmpty())
                rows.append({comLinkName(link.number), link.remote, QStringLiteral("(remote port)")});
            else if (!link.pair.isEmpty())
                rows.append({comLinkName(link.number), link.pair, QStringLiteral("(pair)")});
            else if (!link.pairProblem.isEmpty())
                rows.append({comLinkName(link.number), QStringLiteral("unusable"), link.pairProblem});
            else if (!link.remoteProblem.isEmpty())
                rows.append({comLinkName(link.number), QStringLiteral("unusable"), link.remoteProblem});
            else
                rows.append({comLinkName(link.number), link.device, stable.value(link.device),
                             carriesConsole(link.device, consoles) ? ConsoleMark : QString()});
        }
        out += columns(rows);
    }

    if (sortedPorts.isEmpty()) {
        out += QStringLiteral("System serial ports: none\n");
        return out;
    }
    out += QStringLiteral("System serial ports, by number:\n");
    QList<QStringList> rows;
    for (qsizetype i = 0; i < sortedPorts.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        const bool taken =
            std::any_of(links.begin(), links.end(), [number](const ComLink &link) { return link.number == number; });
        const QString location = sortedPorts[i].location;
        const QString device = QFileInfo(location).canonicalFilePath();
        QStringList notes;
        if (taken)
            notes << QStringLiteral("(number %1 means %2 above)").arg(number).arg(comLinkName(number));
        if (carriesConsole(location, consoles))
            notes << ConsoleMark;
        rows.append(
            {QString::number(number), location, stable.value(device.isEmpty() ? location : device), notes.join(u' ')});
    }
    out += columns(rows);
    return out;
}

QString portListReport(const QString &directory)
{
    return formatPortList(QDir(directory).absolutePath(), comLinksIn(directory), naturallySorted(systemSerialPorts()),
                          stableNames(QStringLiteral("/dev/serial/by-id")), systemConsoles());
}

} // namespace quillar
