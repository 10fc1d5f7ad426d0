#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

namespace quillar::test {

// Telnet's subnegotiation brackets with the COM port option, and one server
// notification: command, one-byte value.
inline const QByteArray ComPortSb("\xff\xfa\x2c", 3), ComPortSe("\xff\xf0", 2);
inline QByteArray comPortNotification(int command, int value)
{
    return ComPortSb + char(command) + char(value) + ComPortSe;
}

// A remote serial port on the loopback, played by the test. As an RFC 2217
// server it agrees to the COM port option and answers each setting with the
// value asked (or a baud rate of its own); the test's bytes go out as given,
// each piece in a write of its own.
class ScriptedServer : public QObject
{
public:
    enum class Mode { Rfc2217, RefusesComPort, Silent, Raw };

    // port: where it listens; any free one unless given.
    explicit ScriptedServer(Mode mode, quint16 port = 0);

    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }
    [[nodiscard]] bool connected() const;
    // runEvents: whether the other side may read each piece before the next
    // goes; without, each waits in the other side's system, taken from the
    // line, for whoever reads next.
    void send(const QList<QByteArray> &pieces, bool runEvents = true);
    void close();

    QByteArray received;
    qint64 keptBaud = -1; // the rate the server says it set; -1: the one asked

private:
    void arrived();

    Mode m_mode;
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    qsizetype m_answered = 0;
};

} // namespace quillar::test
