// Port naming, the settings text and the line-condition rules, with no port.
#include "port/comm_settings.h"
#include "port/line_conditions.h"
#include "port/port_list.h"
#include "port/port_names.h"
#include "port/read_pacing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace quillar;

Q_DECLARE_METATYPE(quillar::LineSnapshot)

// Counters break, frame, overrun, buffer, parity; modem lines CTS, DSR, CD, ring.
using Look = LineSnapshot;

class TestPortRules : public QObject
{
    Q_OBJECT

private slots:
    // What each port number opens. A COM<N> link comes first and leads to the
    // device itself (the lock is named after it); a dangling one is a device
    // gone, never another port; the rest are the system's in natural order.
    void portNumbers()
    {
        QTemporaryDir tmp;
        const QString root = QFileInfo(tmp.path()).canonicalFilePath(), settings = root + "/settings";
        const QDir dir(root);
        const auto link = [&](const QString &target, const QString &name) {
            return QFile::link(target.startsWith(u'.') ? target : dir.filePath(target), dir.filePath(name));
        };
        QVERIFY(dir.mkpath("dev") && dir.mkpath("by-id") && dir.mkpath("settings"));
        QVERIFY(QFile(dir.filePath("dev/ttyUSB1")).open(QIODevice::WriteOnly));
        QVERIFY(link("../dev/ttyUSB1", "by-id/usb-FTDI-port0") && link("by-id/usb-FTDI-port0", "settings/COM1"));
        QVERIFY(link("dev/gone", "settings/COM3"));
        QVERIFY(link("dev/ttyUSB1", "settings/com2")); // not the name port 2 looks for
        // A plain file names a remote port by its first line; a link to one does not.
        const auto write = [&](const QString &name, const QByteArray &text) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
        QVERIFY(write("settings/COM4", "  rfc2217://lab:7000 \r\nthe bench supply\n"));
        QVERIFY(write("settings/COM5", "tcp://lab:0\n"));
        QVERIFY(write("settings/COM9", "notes\ntcp://lab:7000\n"));
        QVERIFY(write("address", "tcp://lab:7000\n") && link("address", "settings/COM10"));

        const QStringList names{"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM1", "rfcomm10", "rfcomm9", "ttyUSB0"};
        QList<SystemPort> system;
        for (const QString &name : names)
            system.append({name, "/dev/" + name});
        const auto opens = [&](int number) {
            const auto port = resolvePort(number, settings, [&] { return system; });
            return !port ? QString("none")
                         : QString(port->fromLink ? "link " : "") + (port->exists ? "" : "gone ") + port->path
                    + (port->badAddress.isEmpty() ? "" : " holds " + port->badAddress + ", which " + port->addressProblem);
        };
        QCOMPARE(opens(0), QStringLiteral("none"));
        QCOMPARE(opens(1), "link " + root + "/dev/ttyUSB1");
        QCOMPARE(opens(2), QStringLiteral("/dev/rfcomm10"));
        QCOMPARE(opens(3), "link gone " + settings + "/COM3");
        QCOMPARE(opens(6), QStringLiteral("/dev/ttyUSB2"));
        QCOMPARE(opens(7), QStringLiteral("/dev/ttyUSB10"));
        QCOMPARE(opens(8), QStringLiteral("none"));
        QCOMPARE(opens(4), QStringLiteral("link rfc2217://lab:7000"));
        QCOMPARE(opens(5), "link " + settings + "/COM5 holds tcp://lab:0, which has the port 0, which is not from 1 to 65535");
        QCOMPARE(opens(9), "link " + settings + "/COM9");
        QCOMPARE(opens(10), "link " + root + "/address");
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::newRow("the program's form") << "9600,n,8,1" << "9600,n,8,1";
        QTest::newRow("upper-case parity reads back lower") << "9600,E,7,2" << "9600,e,7,2";
        QTest::newRow("space, 4 data bits, 1.5 stop") << "1200,s,4,1.5" << "1200,s,4,1.5";
        QTest::newRow("empty baud box gives 0") << "0,n,8,1" << "";
        QTest::newRow("baud one below the least") << "109,n,8,1" << "";
        QTest::newRow("fractional baud") << "9600.5,n,8,1" << "";
        QTest::newRow("unknown parity") << "9600,x,8,1" << "";
        QTest::newRow("3 data bits") << "9600,n,3,1" << "";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0" << "";
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = parseCommSettings(text);
        QCOMPARE(parsed ? parsed->text() : QString(), readBack);
        if (parsed)
            QCOMPARE(parseCommSettings(parsed->text()), parsed);
    }

    void lineConditions_data()
    {
        QTest::addColumn<LineSnapshot>("first");
        QTest::addColumn<LineSnapshot>("second");
        QTest::addColumn<QList<int>>("events");
        const LineCounters zero{0, 0, 0, 0, 0};
        const ModemLines idle{false, false, false, false};
        QTest::newRow("nothing moved") << Look{zero, idle} << Look{zero, idle} << QList<int>{};
        QTest::newRow("many frame errors are one event") << Look{zero, {}} << Look{LineCounters{0, 7, 0, 0, 0}, {}} << QList<int>{1004};
        QTest::newRow("every counter, in code order")
            << Look{zero, {}} << Look{LineCounters{1, 1, 1, 1, 1}, {}} << QList<int>{1001, 1004, 1006, 1008, 1009};
        QTest::newRow("counter wrapped round")
            << Look{LineCounters{0, 0, 2147483647, 0, 0}, {}} << Look{LineCounters{0, 0, -2147483648LL, 0, 0}, {}} << QList<int>{1006};
        QTest::newRow("every line up") << Look{{}, idle} << Look{{}, ModemLines{true, true, true, true}} << QList<int>{3, 4, 5, 6};
        QTest::newRow("a ring between two looks")
            << Look{{}, idle} << Look{{}, ModemLines{false, false, false, false, 0, 0, 0, 1}} << QList<int>{6};
        QTest::newRow("DSR down") << Look{{}, ModemLines{false, true, false, false}} << Look{{}, idle} << QList<int>{4};
        QTest::newRow("DSR there and back between two looks")
            << Look{{}, idle} << Look{{}, ModemLines{false, false, false, false, 0, 2, 0, 0}} << QList<int>{4};
        QTest::newRow("CD there and back between two looks")
            << Look{{}, idle} << Look{{}, ModemLines{false, false, false, false, 0, 0, 2, 0}} << QList<int>{5};
        QTest::newRow("counters before lines")
            << Look{zero, idle} << Look{LineCounters{0, 0, 0, 0, 3}, ModemLines{true, false, false, false}} << QList<int>{1009, 3};
    }
    void lineConditions()
    {
        QFETCH(LineSnapshot, first);
        QFETCH(LineSnapshot, second);
        LineConditionWatch watch;
        QVERIFY(watch.update(first).empty()); // the baseline reports nothing
        QCOMPARE(watch.wantsCounters(), first.counters.has_value());
        QCOMPARE(watch.wantsModem(), first.modem.has_value());
        QList<int> got;
        for (const CommEvent event : watch.update(second))
            got << static_cast<int>(event);
        QTEST(got, "events");
    }

    // What a driver reports having applied, against what was asked: the
    // frame exactly, the rate within 2 %.
    void settingsTaken_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("applied");
        QTest::addColumn<bool>("taken");
        QTest::newRow("as asked") << "250000,n,8,1" << "250000,n,8,1" << true;
        QTest::newRow("16550A kept its old rate") << "230400,n,8,1" << "4800,n,8,1" << false;
        QTest::newRow("nearest rate, 2 % off") << "74880,n,8,1" << "76377,n,8,1" << true;
        QTest::newRow("nearest rate, over 2 % off") << "250000,n,8,1" << "256000,n,8,1" << false;
        QTest::newRow("parity dropped") << "9600,e,7,1" << "9600,n,8,1" << false;
        QTest::newRow("stop bits dropped") << "9600,n,8,2" << "9600,n,8,1" << false;
    }
    void settingsTaken()
    {
        QFETCH(QString, asked);
        QFETCH(QString, applied);
        QTEST(takenAsAsked(*parseCommSettings(asked), *parseCommSettings(applied)), "taken");
    }

    // Bytes are held at most a display frame, and never so long that a quiet
    // time shorter than the line-feed time could appear between hand-overs.
    void readPause_data()
    {
        QTest::addColumn<qint64>("lineFeedTime");
        QTest::addColumn<int>("pause");
        QTest::newRow("line-feed mode") << qint64(0) << 40;
        QTest::newRow("150 ms") << qint64(150) << 40;
        QTest::newRow("7 ms: at most half") << qint64(7) << 3;
        QTest::newRow("1 ms: none") << qint64(1) << 0;
    }
    void readPause()
    {
        QFETCH(qint64, lineFeedTime);
        QTEST(read_pacing::longestPause(lineFeedTime), "pause");
    }

    // --list-ports numbers the system's ports from 1, and says which numbers
    // a COM<N> link takes over.
    void portListNumbers()
    {
        const QString list = formatPortList(QStringLiteral("/s"), {ComLink{2, "/dev/ttyACM0", "/dev/ttyACM0", {}, {}}},
                                            {{"ttyS0", "/dev/ttyS0"}, {"ttyUSB0", "/dev/ttyUSB0"}}, {});
        QCOMPARE(list.split(u'\n').mid(3), (QStringList{"  1  /dev/ttyS0", "  2  /dev/ttyUSB0    (number 2 means COM2 above)", ""}));
    }
};

QTEST_GUILESS_MAIN(TestPortRules)
#include "tst_port_rules.moc"
