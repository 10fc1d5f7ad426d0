#include "port_pair.h"

#include <QFile>

#include <algorithm>
#include <optional>

namespace quillar {

namespace {

const QString PairPathPrefix = QStringLiteral("pair:\n");
constexpr int LargestPortNumber = 99; // the port box holds two digits

AddressProblem problem(const QString &english, const QString &italian)
{
    return {english, italian};
}

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
}

std::optional<AddressProblem> nameProblem(const QString &name)
{
    if (name.isEmpty())
        return problem(QStringLiteral("names no side before ="), QStringLiteral("non nomina il lato prima di ="));
    if (name.size() > PairNameChars || !std::all_of(name.begin(), name.end(), isNameChar))
        return problem(QStringLiteral("has the side name \"%1\", which is not 1 to %2 letters, digits, - or _")
                           .arg(name)
                           .arg(PairNameChars),
                       QStringLiteral("ha il nome di lato \"%1\", che non è fatto di 1-%2 lettere, cifre, - o _")
                           .arg(name)
                           .arg(PairNameChars));
    return std::nullopt;
}

// Reads WHERE into `side`; what is wrong with it, if anything.
std::optional<AddressProblem> whereProblem(PairSide &side)
{
    const QString &where = side.where;
    if (where.isEmpty())
        return problem(QStringLiteral("names no port after ="), QStringLiteral("non indica la porta dopo ="));
    if (std::all_of(where.begin(), where.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        side.number = where.size() > 2 ? 0 : where.toInt();
        if (side.number < 1 || side.number > LargestPortNumber)
            return problem(QStringLiteral("has the port number %1, which is not from 1 to 99").arg(where),
                           QStringLiteral("ha il numero di porta %1, che non è fra 1 e 99").arg(where));
        return std::nullopt;
    }
    if (where.contains(QStringLiteral("://"))) {
        const auto parsed = parseRemoteAddress(where);
        if (const auto *wrong = std::get_if<AddressProblem>(&parsed))
            return problem(QStringLiteral("has the address %1, which %2").arg(where, wrong->what),
                           QStringLiteral("ha l'indirizzo %1, che %2").arg(where, wrong->italian));
        return std::nullopt;
    }
    if (!where.startsWith(u'/'))
        return problem(QStringLiteral("has \"%1\", which is no port number, device path (/dev/...) or "
                                      "rfc2217:// or tcp:// address")
                           .arg(where),
                       QStringLiteral("ha \"%1\", che non è un numero di porta, un percorso di dispositivo "
                                      "(/dev/...) o un indirizzo rfc2217:// o tcp://")
                           .arg(where));
    return std::nullopt;
}

// Reads one NAME = WHERE line, or says what is wrong with it.
std::optional<AddressProblem> readSide(const QString &line, PairSide &side)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return problem(QStringLiteral("has no = between a side's name and its port"),
                       QStringLiteral("non ha = fra il nome di un lato e la sua porta"));
    side.name = line.left(equals).trimmed();
    side.where = line.mid(equals + 1).trimmed();
    if (auto wrong = nameProblem(side.name))
        return wrong;
    return whereProblem(side);
}

PairFile bad(int lineNumber, const QString &line, AddressProblem what)
{
    PairFile file;
    file.kind = PairFile::Kind::Bad;
    file.lineNumber = lineNumber;
    file.line = line;
    file.problem = std::move(what);
    return file;
}

} // namespace

PairFile parsePairText(QStringView text)
{
    const QList<QStringView> lines = text.split(u'\n');
    if (lines.isEmpty() || lines.front().trimmed() != u"pair")
        return {};
    PairFile file;
    int sides = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed().toString();
        const int number = int(i + 1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (sides == 2)
            return bad(number, line,
                       problem(QStringLiteral("is a third side; a pair has two"),
                               QStringLiteral("è un terzo lato; una coppia ne ha due")));
        PairSide &side = file.pair.sides[std::size_t(sides)];
        side.line = line;
        side.lineNumber = number;
        if (auto wrong = readSide(line, side))
            return bad(number, line, *wrong);
        if (sides == 1 && side.name.compare(file.pair.sides[0].name, Qt::CaseInsensitive) == 0)
            return bad(number, line,
                       problem(QStringLiteral("names the side %1 a second time").arg(side.name),
                               QStringLiteral("nomina il lato %1 una seconda volta").arg(side.name)));
        ++sides;
    }
    if (sides < 2)
        return bad(
            1, QStringLiteral("pair"),
            problem(
                QStringLiteral("is followed by %1 side(s); a pair has two, one a line: NAME = PORT").arg(sides),
                QStringLiteral("è seguito da %1 lati; una coppia ne ha due, uno per riga: NOME = PORTA").arg(sides)));
    file.kind = PairFile::Kind::Pair;
    return file;
}

PairFile readPairFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {}; // opening it as a port tells why
    return parsePairText(QString::fromUtf8(file.read(64 * 1024)));
}

QString pairPath(const PortPair &pair, const std::array<QString, 2> &paths)
{
    QString path = PairPathPrefix;
    for (std::size_t i = 0; i < 2; ++i)
        path += pair.sides[i].name + u'=' + paths[i] + (i == 0 ? QStringLiteral("\n") : QString());
    return path;
}

bool isPairPath(QStringView path)
{
    return path.startsWith(PairPathPrefix);
}

PortPair pairFromPath(QStringView path)
{
    PortPair pair;
    const QList<QStringView> lines = path.mid(PairPathPrefix.size()).split(u'\n');
    for (std::size_t i = 0; i < 2 && qsizetype(i) < lines.size(); ++i) {
        const qsizetype equals = lines[qsizetype(i)].indexOf(u'=');
        pair.sides[i].name = lines[qsizetype(i)].left(equals).toString();
        pair.sides[i].where = lines[qsizetype(i)].mid(equals + 1).toString();
    }
    return pair;
}

} // namespace quillar
