// Port naming, the settings text and the line-condition rules, with no port.
#include "port/comm_settings.h"
#include "port/line_conditions.h"
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

        const QStringList names{"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM1", "rfcomm10", "rfcomm9", "ttyUSB0"};
        QList<SystemPort> system;
        for (const QString &name : names)
            system.append({name, "/dev/" + name});
        const auto opens = [&](int number) {
            const auto port = resolvePort(number, settings, [&] { return system; });
            return !port ? QString("none") : QString(port->fromLink ? "link " : "") + (port->exists ? "" : "gone ") + port->path;
        };
        QCOMPARE(opens(0), QStringLiteral("none"));
        QCOMPARE(opens(1), "link " + root + "/dev/ttyUSB1");
        QCOMPARE(opens(2), QStringLiteral("/dev/rfcomm10"));
        QCOMPARE(opens(3), "link gone " + settings + "/COM3");
        QCOMPARE(opens(6), QStringLiteral("/dev/ttyUSB2"));
        QCOMPARE(opens(7), QStringLiteral("/dev/ttyUSB10"));
        QCOMPARE(opens(8), QStringLiteral("none"));
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
        QTest::newRow("DSR down") << Look{{}, ModemLines{false, true, false, false}} << Look{{}, idle} << QList<int>{4};
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

    // Reads rest only after small ones, and never so long that a quiet time
    // shorter than the line-feed time could appear between two reads, or
    // that the line, flat out or at the rate it just ran, could fill half the
    // system's buffer.
    void readPacing_data()
    {
        QTest::addColumn<qint64>("lineFeedTime");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<qint64>("readBytes");
        QTest::addColumn<double>("sinceLastRead"); // ms
        QTest::addColumn<int>("pause");
        const qint64 small = 11;
        QTest::newRow("line-feed mode, 115200") << qint64(0) << "115200,n,8,1" << small << 1000.0 << 40;
        QTest::newRow("7 ms: at most half") << qint64(7) << "115200,n,8,1" << small << 1000.0 << 3;
        QTest::newRow("1 ms: none") << qint64(1) << "115200,n,8,1" << small << 1000.0 << 0;
        QTest::newRow("large read: none") << qint64(0) << "9600,n,8,1" << read_pacing::LargeRead << 1000.0 << 0;
        QTest::newRow("just under large") << qint64(0) << "9600,n,8,1" << read_pacing::LargeRead - 1 << 1000.0 << 40;
        // 2048 bytes at 921600 baud: 22 ms.
        QTest::newRow("921600") << qint64(0) << "921600,n,8,1" << small << 1000.0 << 22;
        // 2048 bytes of 10 bits at 3 Mbaud: 6.8 ms; of 12 bits: 8.2 ms.
        QTest::newRow("3 Mbaud") << qint64(0) << "3000000,n,8,1" << small << 1000.0 << 6;
        QTest::newRow("3 Mbaud, 8e2") << qint64(0) << "3000000,e,8,2" << small << 1000.0 << 8;
        QTest::newRow("3 Mbaud, 5n1.5") << qint64(0) << "3000000,n,5,1.5" << small << 1000.0 << 5;
        QTest::newRow("12 Mbaud") << qint64(0) << "12000000,n,8,1" << small << 1000.0 << 1;
        // 2048 bytes at the rate of 1000 in 10 ms: 20 ms; of 1000 in 0.1 ms: none.
        QTest::newRow("a 100 KB/s stream") << qint64(0) << "115200,n,8,1" << qint64(1000) << 10.0 << 20;
        QTest::newRow("caught up in a fast stream") << qint64(0) << "115200,n,8,1" << qint64(1000) << 0.1 << 0;
        QTest::newRow("25 Mbaud: none") << qint64(0) << "25000000,n,8,1" << small << 1000.0 << 0;
    }
    void readPacing()
    {
        QFETCH(qint64, lineFeedTime);
        QFETCH(QString, settings);
        QFETCH(qint64, readBytes);
        QFETCH(double, sinceLastRead);
        const auto parsed = parseCommSettings(settings);
        QVERIFY(parsed);
        const int longest = std::min(read_pacing::longestPause(lineFeedTime), read_pacing::longestPauseAt(*parsed));
        QTEST(read_pacing::pauseAfter(readBytes, sinceLastRead, longest), "pause");
    }
};

QTEST_GUILESS_MAIN(TestPortRules)
#include "tst_port_rules.moc"
