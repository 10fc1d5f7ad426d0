// Reopening a device that comes back, in the real window with --reconnect.
#include "port/device_identity.h"
#include "port/device_watch.h"
#include "port/mscomm.h"
#include "port/reconnect.h"
#include "receive/display_buffer.h"
#include "receive/time_column.h"
#include "support/manual_clock.h"
#include "window/window_on_device.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <ctime>
#include <optional>

using namespace quillar;
using quillar::test::PseudoTerminal;

class TestReconnect : public test::WindowOnDevice
{
    Q_OBJECT

    std::optional<test::ManualClock> m_clock; // a new one for each test, from 12:00:00.000

    QString status() const { return child<QLabel>("lblStatus")->text(); }
    QPushButton *toggle() const { return child<QPushButton>("Command1"); }
    static QString opened() { return QStringLiteral("Porta COM2: 9600,n,8,1 OK"); }
    const Reconnect &reconnect() const { return *m_window->session()->reconnect(); }

    void unplug()
    {
        m_device->closeMaster();
        QTRY_COMPARE(status(), QStringLiteral("Errore n.68 su COM2"));
        QVERIFY(!m_window->port().portOpen());
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Open COM2"));
        m_device = std::make_unique<PseudoTerminal>(); // not yet linked
    }

    QString logPath() const { return m_dir->filePath(QStringLiteral("text.log")); }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC"); // the text log's times are local
        ::tzset();
    }
    void init()
    {
        m_clock.emplace();
        QVERIFY(startWindow());
        m_window->startLongSession({.textLog = logPath(), .reconnect = true}, *m_clock);
        m_window->port().setClock(*m_clock);
        QTest::mouseClick(toggle(), Qt::LeftButton);
        QCOMPARE(status(), opened());
    }
    void cleanup() { stopWindow(); }

    // The same device, found by its by-id name under another number.
    void identityFollowsTheDevice()
    {
        const QString dev = m_dir->filePath("dev"), byId = dev + "/serial/by-id", com3 = m_dir->filePath("COM3");
        const auto plug = [&](const QString &node, const QString &name) {
            return QDir().mkpath(byId) && QFile(dev + node).open(QIODevice::WriteOnly)
                && QFile::link("../.." + node, byId + name);
        };
        using Found = std::optional<QString>;
        QVERIFY(plug("/ttyUSB0", "/usb-Board_1234-if00"));
        QVERIFY(QFile::link(byId + "/usb-Board_1234-if00", com3));
        const DeviceIdentity board = identifyDevice(dev + "/ttyUSB0", com3, byId);
        QCOMPARE(board.byIdPaths, QStringList{byId + "/usb-Board_1234-if00"});
        QCOMPARE(returnedDevice(board), Found(dev + "/ttyUSB0"));

        // Unplugged, the by-id folder goes: its parent is watched.
        QVERIFY(QDir(dev + "/serial").removeRecursively() && QFile::remove(dev + "/ttyUSB0"));
        QCOMPARE(returnedDevice(board), std::nullopt);
        QVERIFY(watchPoints(board).contains(WatchPoint{dev, "serial"}));
        QVERIFY(plug("/ttyUSB1", "/usb-Board_1234-if00"));
        QCOMPARE(returnedDevice(board), Found(dev + "/ttyUSB1"));
    }

    // A name that appears by being renamed into place, as udev makes its
    // links, is seen as one created there.
    void watchSeesRenamesIntoPlace()
    {
        DeviceWatch watch;
        QSignalSpy changed(&watch, &DeviceWatch::changed);
        watch.watch({WatchPoint{m_dir->path(), QStringLiteral("COM3")}});
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), m_dir->filePath("COM3.new")));
        QVERIFY(QFile::rename(m_dir->filePath("COM3.new"), m_dir->filePath("COM3")));
        QTRY_COMPARE(changed.count(), 1);
    }

    // A replug reopens by itself, button and status in step, nothing
    // reported (many cycles are bench/soak_unplug's part). A line the device
    // left unfinished as it went: with line feeds ending lines, the reopen
    // ends it, and the returned device's bytes start a line with their own
    // time. With a timed line end still to come, and in
    // the user's own Close and Open, the display's line goes on as the
    // design has it, under its first byte's time, and the text log goes on
    // in a marked line of its own with the new opening's time.
    void lineAcrossAnOpening_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<bool>("unplugged"); // or closed and opened by the user
        QTest::addColumn<QString>("display");
        QTest::addColumn<QStringList>("times"); // of each line, and since its opening
        QTest::addColumn<QString>("log");
        QTest::newRow("unplugged, lines end at line feeds")
            << "0" << true << "partial\r\nafter[LF]\r\n"
            << QStringList{"12:00:00.000 +0.000", "12:00:04.000 +0.000", ""}
            << "2026-12-06 12:00:00.000 partial\n2026-12-06 12:00:04.000 after[LF]\n";
        QTest::newRow("unplugged, a timed line end to come")
            << "9999" << true << "partialafter[LF]" << QStringList{"12:00:00.000 +0.000"}
            << "2026-12-06 12:00:00.000 partial\n2026-12-06 12:00:04.000 \u21AAafter[LF]\n";
        QTest::newRow("closed and opened by the user")
            << "0" << false << "partialafter[LF]\r\n"
            << QStringList{"12:00:00.000 +0.000", ""}
            << "2026-12-06 12:00:00.000 partial\n2026-12-06 12:00:04.000 \u21AAafter[LF]\n";
    }
    void lineAcrossAnOpening()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(bool, unplugged);
        child<QLineEdit>("Text1")->setText(lineFeedTime);
        const DisplayBuffer &display = m_window->display();
        QVERIFY(m_device->writeAll("partial"));
        QTRY_COMPARE(display.text(), QStringLiteral("partial"));
        if (unplugged)
            unplug();
        else
            QTest::mouseClick(toggle(), Qt::LeftButton);
        m_clock->advance(std::chrono::seconds(4));
        if (unplugged)
            QVERIFY(m_device->linkAs(m_dir->path(), 2));
        else
            QTest::mouseClick(toggle(), Qt::LeftButton);
        QTRY_COMPARE(status(), opened());
        QCOMPARE(toggle()->text(), QStringLiteral("Close"));
        QVERIFY(m_device->writeAll("after\n"));
        QTRY_VERIFY(display.text().contains(QStringLiteral("after")));
        QTEST(display.text(), "display");
        QStringList times;
        for (qsizetype line = 0; line < display.lineCount(); ++line)
            times << (lineTimeText(TimeColumn::TimeOfDay, display, line) + u' '
                      + lineTimeText(TimeColumn::SinceOpen, display, line))
                         .trimmed();
        QTEST(times, "times");
        QCOMPARE(m_seam->beeps(), 0);
        m_window.reset();
        QTEST(QString::fromUtf8(test::fileBytes(logPath())), "log");
    }

    // Back but held: quiet tries for a second, one error, then quiet tries.
    void deviceBackButBusy()
    {
        unplug();
        MSComm other;
        other.openDevice(m_device->slavePath());
        QVERIFY(m_device->linkAs(m_dir->path(), 2));
        QTRY_VERIFY(reconnect().tries() >= 1); // seen at once, tried quietly
        QCOMPARE(m_seam->beeps(), 0);
        m_clock->advance(std::chrono::milliseconds(Reconnect::GraceMs));
        QTRY_COMPARE(m_seam->beeps(), 1);
        const int tries = reconnect().tries();
        m_clock->advance(std::chrono::milliseconds(Reconnect::RetryMs));
        QTRY_VERIFY(reconnect().tries() > tries); // a quiet try: still busy, nothing said
        QCOMPARE(m_clock->nextDue(), std::optional(m_clock->now() + std::chrono::milliseconds(Reconnect::RetryMs)));
        QCOMPARE(m_seam->beeps(), 1);
        QVERIFY(!m_window->port().portOpen());
        other.setPortOpen(false);
        m_clock->advance(std::chrono::milliseconds(Reconnect::RetryMs));
        QTRY_COMPARE(status(), opened());
        QCOMPARE(m_seam->callsOf(test::ScriptedUi::Kind::Message).size(), 1u); // the 8010 box, once
        QCOMPARE(m_seam->beeps(), 1);
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
        QVERIFY(reconnect().isWatching());
        if (pressOpen)
            QTest::mouseClick(toggle(), Qt::LeftButton); // the device is away: the usual failure
        else
            child<QLineEdit>("txtCom1")->setText(QStringLiteral("3"));
        QVERIFY(!reconnect().isWatching());
        const QString before = status();
        QVERIFY(m_device->linkAs(m_dir->path(), 2));
        m_clock->advance(std::chrono::milliseconds(Reconnect::GraceMs + Reconnect::RetryMs));
        QCoreApplication::processEvents();
        QVERIFY(!m_window->port().portOpen());
        QCOMPARE(reconnect().tries(), 0);
        QCOMPARE(status(), before);
    }
};

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
