// A remote port through the real window: a scripted RFC 2217 server, and the
// real ser2net serving a pseudo-terminal on the loopback.
#include "port/mscomm.h"
#include "port/reconnect.h"
#include "port/remote_device.h"
#include "port/serial_device.h"
#include "port/serial_driver.h"
#include "support/manual_clock.h"
#include "support/scripted_server.h"
#include "support/telnet_commands.h"
#include "window/status_line.h"
#include "window/window_on_device.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <termios.h>

using namespace quillar;

using test::ScriptedServer;

namespace {

class Ser2net
{
public:
    Ser2net(const QString &folder, const QString &accepter, const QString &device) : m_folder(folder)
    {
        QTcpServer probe; // a free port
        probe.listen(QHostAddress::LocalHost);
        port = probe.serverPort();
        QFile config(folder + "/ser2net.yaml");
        (void)config.open(QIODevice::WriteOnly);
        config.write(
            QStringLiteral("connection: &board\n  accepter: %1,127.0.0.1,%2\n  connector: serialdev,%3,9600n81,local\n")
                .arg(accepter)
                .arg(port)
                .arg(device)
                .toUtf8());
    }
    ~Ser2net() { stop(); }

    // True once it listens (tools/setup-debian.sh installs it).
    [[nodiscard]] bool start()
    {
        // Debian installs it where only root's path looks.
        const QString program = QStandardPaths::findExecutable("ser2net", {"/usr/sbin", "/usr/local/sbin"});
        m_process.start(program.isEmpty() ? QStringLiteral("ser2net") : program,
                        {"-n", "-u", "-c", m_folder + "/ser2net.yaml", "-P", m_folder + "/ser2net.pid"});
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            QFile tcp("/proc/net/tcp");
            if (tcp.open(QIODevice::ReadOnly)
                && tcp.readAll().contains(
                    QStringLiteral(":%1 00000000:0000 0A").arg(port, 4, 16, QChar(u'0')).toUpper().toLatin1()))
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    void stop()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    quint16 port = 0;

private:
    QString m_folder;
    QProcess m_process;
};

} // namespace

class TestRemotePort : public test::WindowOnDevice
{
    Q_OBJECT

    test::ManualClock m_clock; // outlives each test's window

    QString status() const { return child<QLabel>("lblStatus")->text(); }
    QPushButton *toggle() const { return child<QPushButton>("Command1"); }
    QString shown() const { return m_window->display().text(); }

    // COM5 names `address`; lines end at line feeds.
    void useComFile(const QString &address, const QString &baud = QStringLiteral("115200"))
    {
        QVERIFY(test::writeFile(m_dir->filePath("COM5"), address.toUtf8() + "\n"));
        child<QLineEdit>("txtCom1")->setText("5");
        child<QLineEdit>("txtBaud1")->setText(baud);
        child<QLineEdit>("Text1")->setText("0"); // a line ends at each line feed, and only there
    }
    void open(const QString &address, const QString &baud = QStringLiteral("115200"))
    {
        useComFile(address, baud);
        QTest::mouseClick(toggle(), Qt::LeftButton);
        QTRY_VERIFY2(status() == QStringLiteral("Porta COM5: %1,n,8,1 OK").arg(baud),
                     qPrintable(m_seam->calls.empty() ? status() : m_seam->calls[0].text));
        QCOMPARE(toggle()->text(), QStringLiteral("Close"));
    }

private slots:
    void init() { QVERIFY(startWindow()); }
    void cleanup() { stopWindow(); }

    // Notifications show as a local port's would (what the reader makes of
    // each sequence is the rules test's part, the bytes the device
    // contract's); the server gets no data.
    void notificationsAndData_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("shownEnd");
        QTest::newRow("a line condition")
            << QList<QByteArray>{test::comPortNotification(106, 0x02), "a"} << "Comm OverRun Error"
            << "a";
        QTest::newRow("a modem line") << QList<QByteArray>{test::comPortNotification(107, 0xf8)} << "Errore n.5 su COM5"
                                      << "";
    }
    void notificationsAndData()
    {
        QFETCH(QList<QByteArray>, pieces);
        ScriptedServer server(ScriptedServer::Mode::Rfc2217);
        open(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()));
        QFETCH(QString, status);
        QFETCH(QString, shownEnd);
        server.send(pieces);
        QTRY_COMPARE(this->status(), status);
        QTRY_VERIFY(shownEnd.isEmpty() || shown().endsWith(shownEnd));
        QVERIFY(test::onlyTelnetCommands(server.received));
        QVERIFY(server.received.contains(test::ComPortSb + QByteArray("\x01\x00\x01\xc2\x00", 5)
                                         + test::ComPortSe)); // 115200 was asked
    }

    // Every failed open is reported as a local one is, naming host and cause.
    void openFailures_data()
    {
        QTest::addColumn<int>("mode"); // -1: nobody listens
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("because"); // in the message box or the status detail
        QTest::newRow("refused") << -1 << ""
                                 << "Errore Porta Seriale n.8015\r\n127.0.0.1 ha rifiutato la connessione alla porta";
        QTest::newRow("no RFC 2217") << int(ScriptedServer::Mode::RefusesComPort) << ""
                                     << "ha rifiutato l'opzione COM port di RFC 2217, per COM5";
        QTest::newRow("silent") << int(ScriptedServer::Mode::Silent) << ""
                                << "ha accettato la connessione ma non ha impostato la porta entro 1 s";
        QTest::newRow("rate kept") << int(ScriptedServer::Mode::Rfc2217) << "Vel. Baud Porta COM5 non valida"
                                   << "non ha accettato 115200,n,8,1 (riporta 9600,n,8,1)";
    }
    void openFailures()
    {
        QFETCH(int, mode);
        QFETCH(QString, because);
        ScriptedServer server(mode < 0 ? ScriptedServer::Mode::Rfc2217 : ScriptedServer::Mode(mode));
        server.keptBaud = 9600;
        quint16 port = server.port();
        if (mode < 0) {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            port = closed.serverPort(); // and closed again
        }
        m_window->port().setDeviceFactory([](const QString &) { return std::make_unique<RemoteDevice>(300); });
        useComFile(QStringLiteral("rfc2217://127.0.0.1:%1").arg(port));
        QTest::mouseClick(toggle(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Porta COM5: connessione a rfc2217://127.0.0.1:%1\u2026").arg(port));
        QCOMPARE(toggle()->text(), QStringLiteral("Annulla"));
        QTRY_COMPARE(m_seam->beeps(), 1);
        QTEST(status(), "status");
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        const auto boxes = m_seam->callsOf(test::ScriptedUi::Kind::Message);
        const QString told = boxes.empty() ? child<StatusLine>("lblStatus")->detail() : boxes[0].text;
        QVERIFY2(told.contains(because), qPrintable(told));
        QVERIFY(test::onlyTelnetCommands(server.received));
    }

    // Cancel while it connects: closed at once, and nothing reported later.
    void cancelWhileConnecting()
    {
        ScriptedServer server(ScriptedServer::Mode::Silent);
        m_window->port().setDeviceFactory([](const QString &) { return std::make_unique<RemoteDevice>(200); });
        useComFile(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()));
        QTest::mouseClick(toggle(), Qt::LeftButton);
        QTRY_VERIFY(server.connected());
        child<QLineEdit>("txtCom1")->setText("6");
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Annulla la connessione COM5"));
        QTest::mouseClick(toggle(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Porta COM5: CLOSED"));
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Open COM6"));
        QTRY_VERIFY(!server.connected());
        QCOMPARE(m_seam->calls.size(), 0u);
    }

    // A server gone away is tried again after pauses that double from 0.1 s
    // up to 2 s, on a clock the test moves; a refused try is never reported.
    void reconnectBacksOff()
    {
        m_window->startLongSession({.reconnect = true}, m_clock);
        auto server = std::make_unique<ScriptedServer>(ScriptedServer::Mode::Raw);
        open(QStringLiteral("tcp://127.0.0.1:%1").arg(server->port()));
        server.reset(); // the connection goes, and nothing listens any more
        QTRY_COMPARE(status(), QStringLiteral("Errore n.68 su COM5"));
        QList<qint64> pauses;
        while (pauses.size() < 7) {
            QTRY_VERIFY(m_clock.nextDue() && !m_window->port().portConnecting());
            const auto pause =
                std::chrono::duration_cast<std::chrono::milliseconds>(*m_clock.nextDue() - m_clock.now());
            pauses << pause.count();
            m_clock.advance(pause);
        }
        QCOMPARE(pauses, (QList<qint64>{100, 200, 400, 800, 1600, 2000, 2000}));
        QCOMPARE(m_seam->calls.size(), 0u);
    }

    // With --reconnect, a server not up when start-up opens its port is tried
    // again as one that went away, never reported, the button offering Open
    // meanwhile; Cancel, while start-up's own connect is under way, ends it.
    void serverNotUpAtStartUp_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("nothing listens yet") << false;
        QTest::newRow("start-up's connect cancelled") << true;
    }
    void serverNotUpAtStartUp()
    {
        QFETCH(bool, cancel);
        m_window->startLongSession({.reconnect = true}, m_clock);
        auto server = std::make_unique<ScriptedServer>(ScriptedServer::Mode::Silent);
        const quint16 port = server->port();
        if (!cancel)
            server.reset(); // nothing listens there now
        const QString address = QStringLiteral("%1://127.0.0.1:%2").arg(cancel ? "rfc2217" : "tcp").arg(port);
        QVERIFY(test::writeFile(m_dir->filePath("COM5"), address.toUtf8() + "\n"));
        QVERIFY(test::writeFile(m_dir->filePath("Quillar.ini"),
                                "\"5\",\"115200\",1500,900,12000,5100,\"31\",\"128\",\"0\"\r\n"));
        m_window->Form_Load();
        QCOMPARE(status(), "Porta COM5: connessione a " + address + u'\u2026');
        if (cancel) {
            QTest::mouseClick(toggle(), Qt::LeftButton);
            QCOMPARE(status(), QStringLiteral("Porta COM5: CLOSED"));
        } else {
            QTRY_COMPARE(toggle()->text(), QStringLiteral("Open"));
            QVERIFY2(child<StatusLine>("lblStatus")->detail().contains(QStringLiteral("ha rifiutato la connessione")),
                     qPrintable(child<StatusLine>("lblStatus")->detail()));
            server = std::make_unique<ScriptedServer>(ScriptedServer::Mode::Raw, port);
        }
        QTRY_VERIFY(!m_window->port().portConnecting());
        m_clock.advance(std::chrono::milliseconds(Reconnect::RetryMs));
        if (cancel) {
            QTest::qWait(20);
            QVERIFY(!m_window->port().portOpen() && !m_window->port().portConnecting());
            QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        } else {
            QTRY_COMPARE(status(), QStringLiteral("Porta COM5: 115200,n,8,1 OK"));
            QCOMPARE(toggle()->text(), QStringLiteral("Close"));
        }
        QCOMPARE(m_seam->calls.size(), 0u);
        QCOMPARE(m_seam->beeps(), 0);
    }

    // RFC 2217 through the real ser2net: the device's bytes, 0xFF too, at the
    // rate typed in the box; stopping ser2net is a lost device, and with
    // --reconnect the port comes back once it runs again, set up again.
    void ser2netRestarts()
    {
        Ser2net ser2net(m_dir->path(), "telnet(rfc2217),tcp", m_device->slavePath());
        QVERIFY(ser2net.start());
        m_window->startLongSession({.reconnect = true});
        open(QStringLiteral("rfc2217://127.0.0.1:%1").arg(ser2net.port), "57600");
        QCOMPARE(m_device->lineSpeed(), speed_t(B57600));
        QVERIFY(m_device->writeAll("\xff\xff"
                                   "before\n"));
        QTRY_VERIFY(shown().endsWith("[FF][FF]before[LF]\r\n"));
        ser2net.stop();
        QTRY_COMPARE(status(), QStringLiteral("Errore n.68 su COM5"));
        QVERIFY(m_device->writeAll("away\n")); // ser2net sends it while the port is being set up
        QVERIFY(ser2net.start());
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Porta COM5: 57600,n,8,1 OK"), 10000);
        QCOMPARE(m_device->lineSpeed(), speed_t(B57600));
        QVERIFY(m_device->writeAll("after\n"));
        QTRY_VERIFY(shown().endsWith("before[LF]\r\naway[LF]\r\nafter[LF]\r\n"));
        QCOMPARE(m_seam->calls.size(), 0u);
    }
};

QTEST_MAIN(TestRemotePort)
#include "tst_remote_port.moc"
