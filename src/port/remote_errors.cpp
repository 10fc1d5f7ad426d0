#include "remote_errors.h"

#include "port/serial_errors.h"

#include <QFileInfo>

namespace quillar::remote_errors {

namespace {

// "COM5 (rfc2217://lab:7000)", or the address alone when no file named it.
QString port(const RemoteAddress &address, const QString &comFile)
{
    if (comFile.isEmpty())
        return address.text();
    return QStringLiteral("%1 (%2)").arg(QFileInfo(comFile).fileName(), address.text());
}

NumberedError failure(const QString &description)
{
    return NumberedError(serial_errors::OtherOpenFailure, description);
}

} // namespace

NumberedError badAddress(const QString &comFile, const QString &firstLine, const QString &problem)
{
    return failure(QStringLiteral("%1 holds \"%2\", which %3; a remote port is written rfc2217://HOST:PORT or "
                                  "tcp://HOST:PORT")
                       .arg(comFile, firstLine, problem));
}

NumberedError connectFailure(const RemoteAddress &address, const QString &comFile, QAbstractSocket::SocketError error,
                             const QString &systemText, const QString &said)
{
    const QString who = port(address, comFile);
    QString text;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        text = QStringLiteral("%1 refused the connection to port %2 for %3: is ser2net running there, with this "
                              "port in its configuration?")
                   .arg(address.host)
                   .arg(address.port)
                   .arg(who);
        break;
    case QAbstractSocket::HostNotFoundError:
        text = QStringLiteral("The host %1 is not known, for %2: check its name, and the network").arg(address.host, who);
        break;
    case QAbstractSocket::NetworkError:
        text = QStringLiteral("%1 cannot be reached (%2), for %3").arg(address.host, systemText, who);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        text = QStringLiteral("%1 closed the connection before the port was set up, for %2").arg(address.hostAndPort(), who);
        break;
    default:
        text = QStringLiteral("The connection to %1 failed (%2), for %3").arg(address.hostAndPort(), systemText, who);
        break;
    }
    if (!said.isEmpty())
        text += QStringLiteral("; it said \"%1\"").arg(said);
    return failure(text);
}

NumberedError timedOut(const RemoteAddress &address, const QString &comFile, int seconds, bool connected)
{
    const QString who = port(address, comFile);
    if (!connected)
        return failure(QStringLiteral("%1 did not answer within %2 s, for %3: is the host on, and on this network?")
                           .arg(address.hostAndPort())
                           .arg(seconds)
                           .arg(who));
    return failure(QStringLiteral("%1 took the connection but did not set up the port within %2 s, for %3: is it an "
                                  "RFC 2217 server? A plain TCP port is written tcp://%1")
                       .arg(address.hostAndPort())
                       .arg(seconds)
                       .arg(who));
}

NumberedError notRfc2217(const RemoteAddress &address, const QString &comFile)
{
    return failure(QStringLiteral("%1 refused the COM port option of RFC 2217, for %2: for a plain TCP port write "
                                  "tcp://%1 (in ser2net, the accepter telnet(rfc2217),tcp,... serves RFC 2217)")
                       .arg(address.hostAndPort(), port(address, comFile)));
}

NumberedError refusedSettings(const RemoteAddress &address, const QString &comFile, const QString &asked,
                              const QString &kept)
{
    return NumberedError(ErrorNumber::InvalidPropertyValue,
                         QStringLiteral("The server of %1 did not take %2 (it reports %3)")
                             .arg(port(address, comFile), asked, kept));
}

NumberedError settingsWhileOpen(const RemoteAddress &address)
{
    return NumberedError(ErrorNumber::InvalidPropertyValue,
                         QStringLiteral("The settings of %1 are sent as it opens: close it and open it again")
                             .arg(address.text()));
}

} // namespace quillar::remote_errors
