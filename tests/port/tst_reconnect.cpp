// Reopening a device that comes back: who the device is, and the real window
// with --reconnect on pseudo-terminals unplugged and plugged back as COM2.
#include "port/device_identity.h"
#include "port/mscomm.h"
#include "port/reconnect.h"
#include "window/window_on_device.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>


using namespace quillar;
using quillar::test::PseudoTerminal;
using quillar::test::ScriptedUi;
using quillar::test::TemporaryWorkingDir;
using quillar::test::WindowOnDevice;

namespace {

bool touch(const QString &path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly);
}

} // namespace

class TestReconnect : public WindowOnDevice
{
    Q_OBJECT

    QString status() const { return child<QLabel>("lblStatus")->text(); }
    void clickToggle() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }
    static QString opened() { return QStringLiteral("Porta COM2: 9600,n,8,1 OK"); }

    void unplug()
    {
        m_device->closeMaster();
        QTRY_COMPARE(status(), QStringLiteral("Errore n.68 su COM2"));
        QVERIFY(!m_window->port().portOpen());
        m_device.reset();
    }

    // A new pseudo-terminal at COM2: the port opens again by itself.
    void plugBack()
    {
        m_device = std::make_unique<PseudoTerminal>();
        QVERIFY(m_device->linkAs(m_dir->path(), 2));
        QTRY_COMPARE(status(), opened());
        QVERIFY(m_window->port().portOpen());
    }

private slots:
    void init()
    {
        QVERIFY(startWindow());
        m_window->startLongSession({}, {}, true);
        clickToggle();
        QCOMPARE(status(), opened());
    }
    void cleanup() { stopWindow(); }

    // The same device, found by its path, its link or its by-id name.
    void identityFollowsTheDevice()
    {
        const QString dev = m_dir->filePath(QStringLiteral("dev")), byId = dev + "/serial/by-id";
        const auto plug = [&](const QString &node, const QString &name) {
            return touch(dev + node) && QDir().mkpath(byId) && (name.isEmpty() || QFile::link("../.." + node, byId + name));
        };
        using Found = std::optional<QString>;
        QVERIFY(plug("/ttyUSB0", "/usb-Board_1234-if00") && plug("/ttyUSB9", "/usb-Other-if00"));
        QVERIFY(QFile::link(byId + "/usb-Board_1234-if00", m_dir->filePath(QStringLiteral("COM3"))));
        const DeviceIdentity board = identifyDevice(dev + "/ttyUSB0", m_dir->filePath(QStringLiteral("COM3")), byId);
        QCOMPARE(board.byIdPaths, QStringList{byId + "/usb-Board_1234-if00"});
        QCOMPARE(board.linkHops.size(), 2);
        QCOMPARE(returnedDevice(board), Found(dev + "/ttyUSB0"));

        // Unplugged: the node and the by-id folder go; the watch waits for
        // the folder's parent to get "serial" back.
        QVERIFY(QDir(dev + "/serial").removeRecursively() && QFile::remove(dev + "/ttyUSB0"));
        QCOMPARE(returnedDevice(board), std::nullopt);
        const QList<WatchPoint> away = watchPoints(board);
        QVERIFY(away.contains(WatchPoint{dev, QStringLiteral("serial")}));
        QVERIFY(away.contains(WatchPoint{dev, QStringLiteral("ttyUSB0")}));
        QVERIFY(away.contains(WatchPoint{m_dir->path(), QStringLiteral("COM3")}));
        // Back under another number: its by-id name finds it.
        QVERIFY(plug("/ttyUSB1", "/usb-Board_1234-if00"));
        QCOMPARE(returnedDevice(board), Found(dev + "/ttyUSB1"));

        // Found by the system's list, without a link: the same path.
        const DeviceIdentity listed = identifyDevice(dev + "/ttyUSB9", {}, byId);
        QVERIFY(QFile::remove(dev + "/ttyUSB9"));
        QCOMPARE(returnedDevice(listed), std::nullopt);
        QVERIFY(plug("/ttyUSB9", {}));
        QCOMPARE(returnedDevice(listed), Found(dev + "/ttyUSB9"));
    }

    // Each unplug and replug reopens by itself, with the button and the
    // status in step and no failure reported. (The processor time while
    // waiting, and many cycles, are bench/soak_unplug's part.)
    void unplugAndPlugBack()
    {
        for (int cycle = 0; cycle < 2; ++cycle) {
            const QByteArray line = "cycle " + QByteArray::number(cycle) + ' ';
            QVERIFY(m_device->writeAll(line));
            QTRY_VERIFY(m_window->display().text().endsWith(QString::fromLatin1(line)));
            unplug();
            QCOMPARE(child<QPushButton>("Command1")->text(), QStringLiteral("Open"));
            QCOMPARE(child<QPushButton>("Command1")->toolTip(), QStringLiteral("Open COM2"));
            plugBack();
            QCOMPARE(child<QPushButton>("Command1")->text(), QStringLiteral("Close"));
        }
        QCOMPARE(m_seam->beeps(), 0);
    }

    // Back but held by another program: tried quietly for a second, then one
    // error as a failed Open gives, then quiet tries until it is free.
    void deviceBackButBusy()
    {
        unplug();
        m_device = std::make_unique<PseudoTerminal>();
        MSComm other;
        other.openDevice(m_device->slavePath());
        QVERIFY(m_device->linkAs(m_dir->path(), 2));
        QTRY_COMPARE_WITH_TIMEOUT(m_seam->beeps(), 1, 3000);
        const auto boxes = m_seam->callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1u);
        QVERIFY2(boxes[0].text.startsWith(QStringLiteral("Errore Porta Seriale n.8010\r\n")), qPrintable(boxes[0].text));
        QTest::qWait(Reconnect::RetryMs + 200); // a quiet try
        QCOMPARE(m_seam->beeps(), 1);
        QCOMPARE(m_seam->callsOf(ScriptedUi::Kind::Message).size(), 1u);

        other.setPortOpen(false);
        QTRY_COMPARE_WITH_TIMEOUT(status(), opened(), 4000);
    }

    // The user takes over: the device coming back afterwards stays closed.
    void userTakesOver_data()
    {
        QTest::addColumn<bool>("pressOpen");
        QTest::newRow("Open pressed") << true;
        QTest::newRow("port box edited") << false;
    }
    void userTakesOver()
    {
        QFETCH(bool, pressOpen);
        unplug();
        if (pressOpen)
            clickToggle(); // the device is away: the usual failure
        else
            child<QLineEdit>("txtCom1")->setText(QStringLiteral("3"));
        const QString before = status();
        m_device = std::make_unique<PseudoTerminal>();
        QVERIFY(m_device->linkAs(m_dir->path(), 2));
        QTest::qWait(Reconnect::GraceMs + 500);
        QVERIFY(!m_window->port().portOpen());
        QCOMPARE(status(), before);
    }
};

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
