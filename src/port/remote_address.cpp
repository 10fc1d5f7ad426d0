#include "remote_address.h"

#include <QFile>
#include <QHostAddress>

#include <algorithm>

namespace quillar {

namespace {

struct Scheme
{
    const char *prefix;
    RemoteAddress::Protocol protocol;
};
constexpr Scheme Schemes[] = {
    {"rfc2217://", RemoteAddress::Protocol::Rfc2217},
    {"tcp://", RemoteAddress::Protocol::RawTcp},
};

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// What is wrong, said in the terminal's English and in the window's Italian;
// %1 and %2 take `a` and `b`.
AddressProblem problem(const char *english, const char *italian, const QString &a = {}, const QString &b = {})
{
    const auto fill = [&](const char *text) {
        const QString s = QString::fromUtf8(text);
        return b.isNull() ? (a.isNull() ? s : s.arg(a)) : s.arg(a, b);
    };
    return {fill(english), fill(italian)};
}

// None when `host` is a dotted IPv4 address, else what is wrong with it.
std::optional<AddressProblem> ipv4Problem(const QString &host)
{
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return problem("has %1 for an IPv4 address, which needs four numbers",
                       "ha %1 come indirizzo IPv4, che vuole quattro numeri", host);
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return problem("has %1, an IPv4 address with a part that is no number from 0 to 255",
                           "ha %1, un indirizzo IPv4 con una parte che non è un numero da 0 a 255", host);
        if (part.size() > 1 && part.front() == u'0')
            return problem("has %1, an IPv4 address with a leading zero",
                           "ha %1, un indirizzo IPv4 con uno zero in testa a una parte", host);
        if (part.toInt() > 255)
            return problem("has %1, an IPv4 address with %2, beyond 255", "ha %1, un indirizzo IPv4 con %2, oltre 255",
                           host, part);
    }
    return std::nullopt;
}

// None when `host` is a host name as DNS writes it, else what is wrong.
std::optional<AddressProblem> hostNameProblem(const QString &host)
{
    if (host.size() > 253)
        return problem("has a host name longer than 253 characters", "ha un nome di host più lungo di 253 caratteri");
    for (const QString &label : host.split(u'.')) {
        if (label.isEmpty())
            return problem("has the host name %1, with an empty part", "ha il nome di host %1, con una parte vuota",
                           host);
        if (label.size() > 63)
            return problem("has the host name %1, with a part longer than 63 characters",
                           "ha il nome di host %1, con una parte più lunga di 63 caratteri", host);
        for (const QChar c : label) {
            if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'-')
                return problem("has the host name %1, with \"%2\", which no host name has",
                               "ha il nome di host %1, con \"%2\", che un nome di host non può contenere", host,
                               QString(c));
        }
        if (label.front() == u'-' || label.back() == u'-')
            return problem("has the host name %1, with a part that starts or ends with a hyphen",
                           "ha il nome di host %1, con una parte che inizia o finisce con un trattino", host);
    }
    return std::nullopt;
}

} // namespace

QString RemoteAddress::hostAndPort() const
{
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(port);
}

QString RemoteAddress::text() const
{
    return (protocol == Protocol::Rfc2217 ? QStringLiteral("rfc2217://") : QStringLiteral("tcp://")) + hostAndPort();
}

std::variant<RemoteAddress, AddressProblem> parseRemoteAddress(const QString &text)
{
    RemoteAddress address;
    QString rest;
    for (const Scheme &scheme : Schemes) {
        if (text.startsWith(QLatin1String(scheme.prefix))) {
            address.protocol = scheme.protocol;
            rest = text.mid(qstrlen(scheme.prefix));
            break;
        }
    }
    if (rest.isNull())
        return problem("does not start with rfc2217:// or tcp://", "non inizia con rfc2217:// o tcp://");

    // HOST:PORT, the port after the last colon; an IPv6 address in brackets.
    QString host;
    QString port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return problem("has a [ without its ]", "ha una [ senza la sua ]");
        host = rest.mid(1, close - 1);
        if (rest.mid(close + 1, 1) != QStringLiteral(":"))
            return problem("has no :PORT after the ]", "non ha :PORTA dopo la ]");
        port = rest.mid(close + 2);
        const QHostAddress ip(host);
        if (ip.protocol() != QAbstractSocket::IPv6Protocol)
            return problem("has [%1], which is no IPv6 address", "ha [%1], che non è un indirizzo IPv6", host);
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return problem("has no :PORT after the host", "non ha :PORTA dopo l'host");
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (host.isEmpty())
            return problem("names no host", "non nomina alcun host");
        if (host.contains(u':'))
            return problem("has an IPv6 address without brackets: write [%1]",
                           "ha un indirizzo IPv6 senza parentesi quadre: scrivere [%1]", host);
        const bool numeric =
            std::all_of(host.begin(), host.end(), [](QChar c) { return isAsciiDigit(c) || c == u'.'; });
        if (const auto wrong = numeric ? ipv4Problem(host) : hostNameProblem(host))
            return *wrong;
    }

    if (port.isEmpty())
        return problem("names no port after the colon", "non indica la porta dopo i due punti");
    if (!std::all_of(port.begin(), port.end(), isAsciiDigit))
        return problem("has the port \"%1\", which is not a number", "ha la porta \"%1\", che non è un numero", port);
    const int number = port.size() > 5 ? 0 : port.toInt();
    if (number < 1 || number > 65535)
        return problem("has the port %1, which is not from 1 to 65535", "ha la porta %1, che non è fra 1 e 65535",
                       port);
    address.host = host;
    address.port = static_cast<std::uint16_t>(number);
    return address;
}

bool isRemoteAddress(const QString &path)
{
    return std::holds_alternative<RemoteAddress>(parseRemoteAddress(path));
}

RemoteFile readRemoteFile(const QString &path)
{
    RemoteFile result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result; // opening it as a port tells why
    // An address is short: a longer first line is no address, and what
    // follows it is the user's own.
    QByteArray line = file.readLine(1024);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    result.firstLine = QString::fromUtf8(line).trimmed();
    if (!result.firstLine.contains(QStringLiteral("://")))
        return result;
    const auto parsed = parseRemoteAddress(result.firstLine);
    if (const auto *address = std::get_if<RemoteAddress>(&parsed)) {
        result.kind = RemoteFile::Kind::Address;
        result.address = *address;
    } else {
        result.kind = RemoteFile::Kind::Bad;
        result.problem = std::get<AddressProblem>(parsed);
    }
    return result;
}

} // namespace quillar
