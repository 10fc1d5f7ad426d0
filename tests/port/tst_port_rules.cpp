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

namespace {

QList<SystemPort> ports(const QStringList &names)
{
    QList<SystemPort> list;
    for (const QString &name : names)
        list.append({name, QStringLiteral("/dev/") + name});
    return list;
}

// Counters break, frame, overrun, buffer, parity; modem lines CTS, DSR, CD, ring.
LineSnapshot line(std::optional<LineCounters> counters, std::optional<ModemLines> modem = {})
{
    LineSnapshot s;
    s.counters = counters;
    s.modem = modem;
    return s;
}

} // namespace

class TestPortRules : public QObject
{
    Q_OBJECT

private slots:
    void naturalOrder_data()
    {
        QTest::addColumn<QStringList>("shuffled");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("families and numbers")
            << QStringList{"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM1", "ttyUSB0", "ttyACM0"}
            << QStringList{"ttyACM0", "ttyACM1", "ttyS0", "ttyUSB0", "ttyUSB2", "ttyUSB10"};
        QTest::newRow("numbers longer than any integer")
            << QStringList{"ttyX100000000000000000000", "ttyX99999999999999999999"}
            << QStringList{"ttyX99999999999999999999", "ttyX100000000000000000000"};
        QTest::newRow("digits inside the name")
            << QStringList{"rfcomm10", "rfcomm9", "ttyS1a", "ttyS1"}
            << QStringList{"rfcomm9", "rfcomm10", "ttyS1", "ttyS1a"};
        QTest::newRow("leading zeros equal in value, still a total order")
            << QStringList{"ttyS1", "ttyS01", "ttyS001"}
            << QStringList{"ttyS001", "ttyS01", "ttyS1"};
    }
    void naturalOrder()
    {
        QFETCH(QStringList, shuffled);
        QFETCH(QStringList, expected);
        QStringList sorted;
        for (const SystemPort &p : naturallySorted(ports(shuffled)))
            sorted << p.name;
        QCOMPARE(sorted, expected);
    }

    // A COM<N> link comes first and leads to the device itself (the lock is
    // named after it); a dangling one is a device gone, never another port.
    void resolve_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected"); // empty: no port
        QTest::addColumn<bool>("fromLink");
        QTest::addColumn<bool>("exists");
        QTest::newRow("ttyUSB2 before ttyUSB10") << 5 << "/dev/ttyUSB2" << false << true;
        QTest::newRow("last") << 6 << "/dev/ttyUSB10" << false << true;
        QTest::newRow("one beyond") << 7 << "" << false << false;
        QTest::newRow("zero") << 0 << "" << false << false;
        QTest::newRow("COM2 link") << 2 << "device" << true << true;
        QTest::newRow("COM3 dangling") << 3 << "COM3" << true << false;
    }
    void resolve()
    {
        QFETCH(int, number);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QFile device(dir.filePath("device"));
        QVERIFY(device.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(device.fileName(), dir.filePath("COM2")));
        QVERIFY(QFile::link(dir.filePath("unplugged"), dir.filePath("COM3")));
        const auto list = ports({"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM1", "ttyUSB0", "ttyACM0"});
        const auto resolved = resolvePort(number, dir.path(), [&] { return list; });
        QCOMPARE(resolved.has_value(), !expected.isEmpty());
        if (resolved) {
            // A link's device by name: the folder may be reached through links.
            QCOMPARE(expected.startsWith(u'/') ? resolved->path : QFileInfo(resolved->path).fileName(), expected);
            QTEST(resolved->fromLink, "fromLink");
            QTEST(resolved->exists, "exists");
        }
    }

    void portList()
    {
        // A settings folder with links of every kind, a stand-in for
        // /dev/serial/by-id, and two system ports.
        QTemporaryDir tmp;
        const QString root = QFileInfo(tmp.path()).canonicalFilePath();
        const QDir dir(root);
        QVERIFY(dir.mkpath("dev") && dir.mkpath("by-id") && dir.mkpath("settings"));
        for (const char *device : {"dev/ttyUSB1", "dev/ttyACM0"}) {
            QFile file(dir.filePath(device));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const auto link = [&](const QString &target, const QString &name) {
            return QFile::link(target, dir.filePath(name));
        };
        QVERIFY(link("../dev/ttyUSB1", "by-id/usb-FTDI-port0"));
        QVERIFY(link(dir.filePath("by-id/usb-FTDI-port0"), "settings/COM1"));
        QVERIFY(link(dir.filePath("dev/gone"), "settings/COM3"));
        QVERIFY(link(dir.filePath("dev/ttyACM0"), "settings/COM10"));
        // Names the port box never reaches.
        for (const char *name : {"settings/COM0", "settings/COM01", "settings/COMx", "settings/com2"})
            QVERIFY(link(dir.filePath("dev/ttyUSB1"), name));

        const QString settings = dir.filePath("settings");
        const auto sorted = naturallySorted({{"ttyUSB1", dir.filePath("dev/ttyUSB1")},
                                             {"ttyACM0", dir.filePath("dev/ttyACM0")}});
        const QString text =
            formatPortList(settings, comLinksIn(settings), sorted, stableNames(dir.filePath("by-id")));
        QStringList lines;
        for (const QString &line : text.split(u'\n'))
            lines << line.simplified().replace(root, "R");
        QCOMPARE(lines, (QStringList{"COM<N> links in R/settings:",
                                     "COM1 R/dev/ttyUSB1 R/by-id/usb-FTDI-port0",
                                     "COM3 missing (links to R/dev/gone)",
                                     "COM10 R/dev/ttyACM0",
                                     "System serial ports, by number:",
                                     "1 R/dev/ttyACM0 (number 1 means COM1 above)",
                                     "2 R/dev/ttyUSB1 R/by-id/usb-FTDI-port0",
                                     ""}));
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::newRow("the program's form") << "9600,n,8,1" << "9600,n,8,1";
        QTest::newRow("largest 32-bit baud") << "2147483647,n,8,1" << "2147483647,n,8,1";
        QTest::newRow("upper-case parity reads back lower") << "9600,E,7,2" << "9600,e,7,2";
        QTest::newRow("odd, mark, space") << "1200,o,5,1.5" << "1200,o,5,1.5";
        QTest::newRow("space, 4 data bits") << "1200,s,4,1" << "1200,s,4,1";
        QTest::newRow("leading zeros") << "09600,n,8,1" << "9600,n,8,1";
        QTest::newRow("empty baud box gives 0") << "0,n,8,1" << "";
        QTest::newRow("baud one below the least") << "109,n,8,1" << "";
        QTest::newRow("fractional baud") << "9600.5,n,8,1" << "";
        QTest::newRow("blank in baud") << " 9600,n,8,1" << "";
        QTest::newRow("unknown parity") << "9600,x,8,1" << "";
        QTest::newRow("3 data bits") << "9600,n,3,1" << "";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0" << "";
        QTest::newRow("three fields") << "9600,n,8" << "";
    }
    void settingsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = parseCommSettings(text);
        QCOMPARE(parsed.has_value(), !readBack.isEmpty());
        if (parsed) {
            QCOMPARE(parsed->text(), readBack);
            QCOMPARE(parseCommSettings(parsed->text()), parsed);
        }
    }

    void lineConditions_data()
    {
        QTest::addColumn<LineSnapshot>("first");
        QTest::addColumn<LineSnapshot>("second");
        QTest::addColumn<QList<int>>("events");
        const LineCounters zero{0, 0, 0, 0, 0};
        const ModemLines idle{false, false, false, false};
        QTest::newRow("nothing moved") << line(zero, idle) << line(zero, idle) << QList<int>{};
        QTest::newRow("many frame errors are one event") << line(zero) << line(LineCounters{0, 7, 0, 0, 0}) << QList<int>{1004};
        QTest::newRow("every counter, in code order")
            << line(zero) << line(LineCounters{1, 1, 1, 1, 1}) << QList<int>{1001, 1004, 1006, 1008, 1009};
        QTest::newRow("counter wrapped round")
            << line(LineCounters{0, 0, 2147483647, 0, 0}) << line(LineCounters{0, 0, -2147483648LL, 0, 0}) << QList<int>{1006};
        QTest::newRow("CTS up") << line({}, idle) << line({}, ModemLines{true, false, false, false}) << QList<int>{3};
        QTest::newRow("DSR down") << line({}, ModemLines{false, true, false, false}) << line({}, idle) << QList<int>{4};
        QTest::newRow("carrier and ring") << line({}, idle) << line({}, ModemLines{false, false, true, true}) << QList<int>{5, 6};
        QTest::newRow("counters before lines")
            << line(zero, idle) << line(LineCounters{0, 0, 0, 0, 3}, ModemLines{true, false, false, false}) << QList<int>{1009, 3};
    }
    void lineConditions()
    {
        QFETCH(LineSnapshot, first);
        QFETCH(LineSnapshot, second);
        QFETCH(QList<int>, events);
        LineConditionWatch watch;
        QVERIFY(watch.update(first).empty()); // the baseline reports nothing
        QList<int> got;
        for (const CommEvent event : watch.update(second))
            got << static_cast<int>(event);
        QCOMPARE(got, events);
    }

    // Reads rest only after small ones, and never so long that a quiet time
    // shorter than the line-feed time could appear between two reads.
    void readPacing_data()
    {
        QTest::addColumn<qint64>("lineFeedTime");
        QTest::addColumn<qint64>("readBytes");
        QTest::addColumn<int>("pause");
        QTest::newRow("line-feed mode, small read") << qint64(0) << qint64(11) << 4;
        QTest::newRow("default 150 ms") << qint64(150) << qint64(300) << 4;
        QTest::newRow("7 ms: at most half") << qint64(7) << qint64(11) << 3;
        QTest::newRow("1 ms: none") << qint64(1) << qint64(11) << 0;
        QTest::newRow("large read: none") << qint64(0) << read_pacing::LargeRead << 0;
        QTest::newRow("just under large") << qint64(0) << read_pacing::LargeRead - 1 << 4;
    }
    void readPacing()
    {
        QFETCH(qint64, lineFeedTime);
        QFETCH(qint64, readBytes);
        QFETCH(int, pause);
        QCOMPARE(read_pacing::pauseAfter(readBytes, read_pacing::longestPause(lineFeedTime)), pause);
    }

    void lineConditionsStopWhenUnanswered()
    {
        LineConditionWatch watch;
        // Counters unanswered, lines answered: only the lines are asked again.
        (void)watch.update(line({}, ModemLines{false, false, false, false}));
        QVERIFY(!watch.wantsCounters());
        QVERIFY(watch.wantsModem());
        QVERIFY(watch.worthPolling());
        // Counters appearing later are not reported (nobody asked for them).
        const auto events = watch.update(line(LineCounters{5, 5, 5, 5, 5}, ModemLines{true, false, false, false}));
        QCOMPARE(events.size(), std::size_t(1));
        QCOMPARE(int(events[0]), 3);
        // A device that answers nothing (a pseudo-terminal) is not polled.
        (void)watch.update(LineSnapshot{});
        QVERIFY(!watch.worthPolling());
        // A port opened again asks again.
        watch.reset();
        QVERIFY(watch.wantsCounters());
        QVERIFY(watch.wantsModem());
    }
};

QTEST_GUILESS_MAIN(TestPortRules)
#include "tst_port_rules.moc"
