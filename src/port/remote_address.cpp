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

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Empty when `host` is a dotted IPv4 address, else what is wrong with it.
QString ipv4Problem(const QString &host)
{
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return QStringLiteral("has %1 for an IPv4 address, which needs four numbers").arg(host);
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return QStringLiteral("has %1, an IPv4 address with a part that is no number from 0 to 255").arg(host);
        if (part.size() > 1 && part.front() == u'0')
            return QStringLiteral("has %1, an IPv4 address with a leading zero").arg(host);
        if (part.toInt() > 255)
            return QStringLiteral("has %1, an IPv4 address with %2, beyond 255").arg(host, part);
    }
    return {};
}

// Empty when `host` is a host name as DNS writes it, else what is wrong.
QString hostNameProblem(const QString &host)
{
    if (host.size() > 253)
        return QStringLiteral("has a host name longer than 253 characters");
    for (const QString &label : host.split(u'.')) {
        if (label.isEmpty())
            return QStringLiteral("has the host name %1, with an empty part").arg(host);
        if (label.size() > 63)
            return QStringLiteral("has the host name %1, with a part longer than 63 characters").arg(host);
        for (const QChar c : label) {
            if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != u'-')
                return QStringLiteral("has the host name %1, with \"%2\", which no host name has").arg(host, QString(c));
        }
        if (label.front() == u'-' || label.back() == u'-')
            return QStringLiteral("has the host name %1, with a part that starts or ends with a hyphen").arg(host);
    }
    return {};
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
    const auto problem = [](const QString &what) { return AddressProblem{what}; };
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
        return problem(QStringLiteral("does not start with rfc2217:// or tcp://"));

    // HOST:PORT, the port after the last colon; an IPv6 address in brackets.
    QString host;
    QString port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return problem(QStringLiteral("has a [ without its ]"));
        host = rest.mid(1, close - 1);
        if (rest.mid(close + 1, 1) != QStringLiteral(":"))
            return problem(QStringLiteral("has no :PORT after the ]"));
        port = rest.mid(close + 2);
        const QHostAddress ip(host);
        if (ip.protocol() != QAbstractSocket::IPv6Protocol)
            return problem(QStringLiteral("has [%1], which is no IPv6 address").arg(host));
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return problem(QStringLiteral("has no :PORT after the host"));
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (host.isEmpty())
            return problem(QStringLiteral("names no host"));
        if (host.contains(u':'))
            return problem(QStringLiteral("has an IPv6 address without brackets: write [%1]").arg(host));
        const bool numeric = std::all_of(host.begin(), host.end(), [](QChar c) { return isAsciiDigit(c) || c == u'.'; });
        if (const QString wrong = numeric ? ipv4Problem(host) : hostNameProblem(host); !wrong.isEmpty())
            return problem(wrong);
    }

    if (port.isEmpty())
        return problem(QStringLiteral("names no port after the colon"));
    if (!std::all_of(port.begin(), port.end(), isAsciiDigit))
        return problem(QStringLiteral("has the port \"%1\", which is not a number").arg(port));
    const int number = port.size() > 5 ? 0 : port.toInt();
    if (number < 1 || number > 65535)
        return problem(QStringLiteral("has the port %1, which is not from 1 to 65535").arg(port));
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
        result.problem = std::get<AddressProblem>(parsed).what;
    }
    return result;
}

} // namespace quillar
