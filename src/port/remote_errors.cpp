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
    return failure(QStringLiteral("%1 contiene \"%2\", che %3; una porta remota si scrive rfc2217://HOST:PORTA o "
                                  "tcp://HOST:PORTA")
                       .arg(comFile, firstLine, problem));
}

NumberedError badPair(const QString &comFile, const PairFile &pair)
{
    return failure(QStringLiteral("%1, riga %2, contiene \"%3\", che %4; una coppia si scrive \"pair\" e poi "
                                  "una riga per lato: NOME = PORTA (un numero, /dev/... o un indirizzo)")
                       .arg(comFile)
                       .arg(pair.lineNumber)
                       .arg(pair.line, pair.problem.italian));
}

NumberedError connectFailure(const RemoteAddress &address, const QString &comFile, QAbstractSocket::SocketError error,
                             const QString &systemText, const QString &said)
{
    const QString who = port(address, comFile);
    QString text;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        text = QStringLiteral("%1 ha rifiutato la connessione alla porta %2 per %3: ser2net è in esecuzione là, con "
                              "questa porta nella sua configurazione?")
                   .arg(address.host)
                   .arg(address.port)
                   .arg(who);
        break;
    case QAbstractSocket::HostNotFoundError:
        text =
            QStringLiteral("L'host %1 è sconosciuto, per %2: controllarne il nome, e la rete").arg(address.host, who);
        break;
    case QAbstractSocket::NetworkError:
        text = QStringLiteral("%1 non è raggiungibile (%2), per %3").arg(address.host, systemText, who);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        text = QStringLiteral("%1 ha chiuso la connessione prima che la porta fosse impostata, per %2")
                   .arg(address.hostAndPort(), who);
        break;
    default:
        text = QStringLiteral("La connessione a %1 non è riuscita (%2), per %3")
                   .arg(address.hostAndPort(), systemText, who);
        break;
    }
    if (!said.isEmpty())
        text += QStringLiteral("; ha risposto \"%1\"").arg(said);
    return failure(text);
}

NumberedError timedOut(const RemoteAddress &address, const QString &comFile, int seconds, bool connected)
{
    const QString who = port(address, comFile);
    if (!connected)
        return failure(QStringLiteral("%1 non ha risposto entro %2 s, per %3: l'host è acceso, e su questa rete?")
                           .arg(address.hostAndPort())
                           .arg(seconds)
                           .arg(who));
    return failure(
        QStringLiteral("%1 ha accettato la connessione ma non ha impostato la porta entro %2 s, per %3: è un "
                       "server RFC 2217? Una porta TCP semplice si scrive tcp://%1")
            .arg(address.hostAndPort())
            .arg(seconds)
            .arg(who));
}

NumberedError notRfc2217(const RemoteAddress &address, const QString &comFile)
{
    return failure(
        QStringLiteral("%1 ha rifiutato l'opzione COM port di RFC 2217, per %2: per una porta TCP semplice "
                       "scrivere tcp://%1 (in ser2net, RFC 2217 lo serve l'accepter telnet(rfc2217),tcp,...)")
            .arg(address.hostAndPort(), port(address, comFile)));
}

NumberedError refusedSettings(const RemoteAddress &address, const QString &comFile, const QString &asked,
                              const QString &kept)
{
    return NumberedError(
        ErrorNumber::InvalidPropertyValue,
        QStringLiteral("Il server di %1 non ha accettato %2 (riporta %3)").arg(port(address, comFile), asked, kept));
}

NumberedError settingsWhileOpen(const RemoteAddress &address)
{
    return NumberedError(ErrorNumber::InvalidPropertyValue,
                         QStringLiteral("Le impostazioni di %1 si inviano all'apertura: chiudere la porta e riaprirla")
                             .arg(address.text()));
}

} // namespace quillar::remote_errors
