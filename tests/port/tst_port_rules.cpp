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

LineSnapshot counters(std::int64_t brk, std::int64_t frame, std::int64_t overrun, std::int64_t buf,
                      std::int64_t parity)
{
    LineSnapshot s;
    s.counters = LineCounters{brk, frame, overrun, buf, parity};
    return s;
}

LineSnapshot modem(bool cts, bool dsr, bool cd, bool ring)
{
    LineSnapshot s;
    s.modem = ModemLines{cts, dsr, cd, ring};
    return s;
}

LineSnapshot both(const LineSnapshot &c, const LineSnapshot &m)
{
    LineSnapshot s;
    s.counters = c.counters;
    s.modem = m.modem;
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

    void resolveFromSystemList_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected"); // empty: no port
        QTest::newRow("ttyUSB2 before ttyUSB10") << 5 << "/dev/ttyUSB2";
        QTest::newRow("last") << 6 << "/dev/ttyUSB10";
        QTest::newRow("one beyond") << 7 << "";
        QTest::newRow("zero") << 0 << "";
    }
    void resolveFromSystemList()
    {
        QFETCH(int, number);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const auto list = ports({"ttyUSB10", "ttyS0", "ttyUSB2", "ttyACM1", "ttyUSB0", "ttyACM0"});
        const auto resolved = resolvePort(number, dir.path(), [&] { return list; });
        QCOMPARE(resolved.has_value(), !expected.isEmpty());
        if (resolved) {
            QCOMPARE(resolved->path, expected);
            QVERIFY(!resolved->fromLink);
        }
    }

    void comLinkComesFirst()
    {
        QTemporaryDir dir;
        QFile target(dir.filePath("device"));
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.close();
        QVERIFY(QFile::link(target.fileName(), dir.filePath("COM2")));

        bool listed = false;
        const auto resolved = resolvePort(2, dir.path(), [&] {
            listed = true;
            return ports({"ttyS0", "ttyS1"});
        });
        QVERIFY(resolved);
        QVERIFY(resolved->fromLink);
        QVERIFY(resolved->exists);
        // The device itself, not the link: the lock is named after it.
        QCOMPARE(resolved->path, QFileInfo(target.fileName()).canonicalFilePath());
        QVERIFY(!listed);

        // Another number still goes to the system list.
        const auto other = resolvePort(1, dir.path(), [&] { return ports({"ttyS0", "ttyS1"}); });
        QVERIFY(other);
        QCOMPARE(other->path, QStringLiteral("/dev/ttyS0"));
    }

    void danglingComLinkIsAGoneDevice()
    {
        // The adapter behind COM3 was pulled: never fall back to another port.
        QTemporaryDir dir;
        QVERIFY(QFile::link(dir.filePath("unplugged"), dir.filePath("COM3")));
        const auto resolved = resolvePort(3, dir.path(), [] { return ports({"a", "b", "c"}); });
        QVERIFY(resolved);
        QVERIFY(resolved->fromLink);
        QVERIFY(!resolved->exists);
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
        QTest::newRow("slowest baud") << "110,n,8,1" << "110,n,8,1";
        QTest::newRow("largest 32-bit baud") << "2147483647,n,8,1" << "2147483647,n,8,1";
        QTest::newRow("upper-case parity reads back lower") << "9600,E,7,2" << "9600,e,7,2";
        QTest::newRow("odd, mark, space") << "1200,o,5,1.5" << "1200,o,5,1.5";
        QTest::newRow("mark") << "1200,m,8,1" << "1200,m,8,1";
        QTest::newRow("space, 4 data bits") << "1200,s,4,1" << "1200,s,4,1";
        QTest::newRow("leading zeros") << "09600,n,8,1" << "9600,n,8,1";

        QTest::newRow("empty baud box gives 0") << "0,n,8,1" << "";
        QTest::newRow("baud one below the least") << "109,n,8,1" << "";
        QTest::newRow("baud beyond 32 bits") << "2147483648,n,8,1" << "";
        QTest::newRow("fractional baud") << "9600.5,n,8,1" << "";
        QTest::newRow("no baud") << ",n,8,1" << "";
        QTest::newRow("blank in baud") << " 9600,n,8,1" << "";
        QTest::newRow("unknown parity") << "9600,x,8,1" << "";
        QTest::newRow("3 data bits") << "9600,n,3,1" << "";
        QTest::newRow("stop bits 3") << "9600,n,8,3" << "";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0" << "";
        QTest::newRow("three fields") << "9600,n,8" << "";
        QTest::newRow("five fields") << "9600,n,8,1,1" << "";
        QTest::newRow("empty") << "" << "";
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
        const auto zero = counters(0, 0, 0, 0, 0);
        const auto idle = modem(false, false, false, false);
        QTest::newRow("nothing moved") << both(zero, idle) << both(zero, idle) << QList<int>{};
        QTest::newRow("many frame errors are one event")
            << zero << counters(0, 7, 0, 0, 0) << QList<int>{1004};
        QTest::newRow("every counter, in code order")
            << zero << counters(1, 1, 1, 1, 1) << QList<int>{1001, 1004, 1006, 1008, 1009};
        QTest::newRow("counter wrapped round")
            << counters(0, 0, 2147483647, 0, 0) << counters(0, 0, -2147483648LL, 0, 0)
            << QList<int>{1006};
        QTest::newRow("CTS up") << idle << modem(true, false, false, false) << QList<int>{3};
        QTest::newRow("DSR down") << modem(false, true, false, false) << idle << QList<int>{4};
        QTest::newRow("carrier and ring")
            << idle << modem(false, false, true, true) << QList<int>{5, 6};
        QTest::newRow("counters before lines")
            << both(zero, idle) << both(counters(0, 0, 0, 0, 3), modem(true, false, false, false))
            << QList<int>{1009, 3};
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
        (void)watch.update(modem(false, false, false, false));
        QVERIFY(!watch.wantsCounters());
        QVERIFY(watch.wantsModem());
        QVERIFY(watch.worthPolling());
        // Counters appearing later are not reported (nobody asked for them).
        const auto events = watch.update(both(counters(5, 5, 5, 5, 5), modem(true, false, false, false)));
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
