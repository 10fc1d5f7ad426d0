#include "scripted_server.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <linux/sockios.h>
#include <sys/ioctl.h>

namespace quillar::test {

ScriptedServer::ScriptedServer(Mode mode, quint16 port) : m_mode(mode)
{
    m_server.listen(QHostAddress::LocalHost, port);
    QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
        m_client = m_server.nextPendingConnection();
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1); // each piece goes at once
        QObject::connect(m_client, &QTcpSocket::readyRead, this, &ScriptedServer::arrived);
        if (m_mode == Mode::Rfc2217)
            m_client->write(QByteArray("\xff\xfd\x2c\xff\xfb\x00\xff\xfd\x00\xff\xfb\x03", 12));
        if (m_mode == Mode::RefusesComPort)
            m_client->write("\xff\xfe\x2c");
    });
}

bool ScriptedServer::connected() const
{
    return m_client && m_client->state() == QAbstractSocket::ConnectedState;
}

void ScriptedServer::send(const QList<QByteArray> &pieces, bool runEvents)
{
    for (const QByteArray &piece : pieces) {
        m_client->write(piece);
        while (m_client->bytesToWrite() > 0 && m_client->waitForBytesWritten(1000)) { }
        if (runEvents) {
            QTest::qWait(2); // a read of its own on the other side
            continue;
        }
        // Until the other side's system has taken it all.
        int unacknowledged = 0;
        for (const QDeadlineTimer deadline(5000); !deadline.hasExpired(); QThread::msleep(1)) {
            if (::ioctl(int(m_client->socketDescriptor()), SIOCOUTQ, &unacknowledged) != 0 || unacknowledged == 0)
                break;
        }
    }
}

void ScriptedServer::close()
{
    m_client->disconnectFromHost();
}

void ScriptedServer::arrived()
{
    received += m_client->readAll();
    for (qsizetype at = received.indexOf(ComPortSb, m_answered); at >= 0;
         at = received.indexOf(ComPortSb, m_answered)) {
        const qsizetype end = received.indexOf(ComPortSe, at);
        if (end < 0)
            return;
        QByteArray command = received.mid(at + 3, end - at - 3).replace("\xff\xff", "\xff");
        m_answered = end + 2;
        if (uchar(command[0]) == 1 && keptBaud >= 0)
            command =
                QByteArray(1, 1) + char(keptBaud >> 24) + char(keptBaud >> 16) + char(keptBaud >> 8) + char(keptBaud);
        if (uchar(command[0]) <= 4)
            m_client->write(ComPortSb + char(command[0] + 100) + command.mid(1).replace("\xff", "\xff\xff")
                            + ComPortSe);
    }
}

} // namespace quillar::test
