// A pair of ports: its file, what it resolves to and lists as, and its
// errors, quoted as the window and --list-ports say them.
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "port/pair_device.h"
#include "port/port_list.h"
#include "port/port_names.h"
#include "port/port_pair.h"
#include "support/test_fixtures.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quillar;

namespace {

// A side that holds what the test gives it, and fails to open where told.
class FakeSide : public PortDevice
{
public:
    explicit FakeSide(bool fails) : m_fails(fails) { }
    void open(const QString &path, const QString &, const CommSettings &settings) override
    {
        if (m_fails)
            throw NumberedError(8002, path + QStringLiteral(" non risponde"));
        m_open = true;
        m_settings = settings;
    }
    void applySettings(const CommSettings &settings) override { m_settings = settings; }
    [[nodiscard]] CommSettings settings() const override { return m_settings; }
    void close() override { m_open = false; }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    [[nodiscard]] qint64 available() const override { return m_held.bytes.size(); }
    [[nodiscard]] StampedBytes take(qint64) override { return std::exchange(m_held, {}); }
    [[nodiscard]] quint64 received() const override { return m_received; }
    void notifyAfter(quint64) override { }
    void stopReading() override { }
    void hold(const QByteArray &bytes, qint64 ms)
    {
        m_held.marks.push_back({m_held.bytes.size(), ms});
        m_held.bytes += bytes;
        m_received += quint64(bytes.size());
        emit readyRead();
    }

private:
    bool m_fails;
    bool m_open = false;
    CommSettings m_settings;
    StampedBytes m_held;
    quint64 m_received = 0;
};

} // namespace

class TestPortPair : public QObject
{
    Q_OBJECT

private slots:
    // Each malformed file is named by its line, quoted, and what is wrong.
    void fileErrors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("quoted");
        QTest::addColumn<QString>("what");

        QTest::newRow("no equals") << "pair\nA /dev/ttyUSB0\nB = 2\n"
                                   << 2 << "A /dev/ttyUSB0"
                                   << "has no = between a side's name and its port";
        QTest::newRow("no name") << "pair\n = /dev/ttyUSB0\nB = 2\n"
                                 << 2 << "= /dev/ttyUSB0"
                                 << "names no side before =";
        QTest::newRow("long name") << "pair\nA = 1\ncontroller = 2" << 3 << "controller = 2"
                                   << "has the side name \"controller\", which is not 1 to 8 letters, digits, - or _";
        QTest::newRow("blank in name") << "pair\nmy host = 1\nB = 2" << 2 << "my host = 1"
                                       << "has the side name \"my host\", which is not 1 to 8 letters, digits, - or _";
        QTest::newRow("same name") << "pair\nhost = 1\n# the modem\nHOST = 2\n"
                                   << 4 << "HOST = 2"
                                   << "names the side HOST a second time";
        QTest::newRow("no port") << "pair\nA =\nB = 2\n"
                                 << 2 << "A ="
                                 << "names no port after =";
        QTest::newRow("port 0") << "pair\nA = 0\nB = 2\n"
                                << 2 << "A = 0"
                                << "has the port number 0, which is not from 1 to 99";
        QTest::newRow("port 100") << "pair\nA = 1\nB = 100\n"
                                  << 3 << "B = 100"
                                  << "has the port number 100, which is not from 1 to 99";
        QTest::newRow("relative path") << "pair\nA = ttyUSB0\nB = 2\n"
                                       << 2 << "A = ttyUSB0"
                                       << "has \"ttyUSB0\", which is no port number, device path (/dev/...) or "
                                          "rfc2217:// or tcp:// address";
        QTest::newRow("bad address") << "pair\r\nA = 1\r\nB = tcp://lab:70000\r\n"
                                     << 3 << "B = tcp://lab:70000"
                                     << "has the address tcp://lab:70000, which has the port 70000, which is not "
                                        "from 1 to 65535";
        QTest::newRow("third side") << "pair\nA = 1\nB = 2\nC = 3\n"
                                    << 4 << "C = 3"
                                    << "is a third side; a pair has two";
        QTest::newRow("one side") << "pair\nA = 1\n\n# B to come\n"
                                  << 1 << "pair"
                                  << "is followed by 1 side(s); a pair has two, one a line: NAME = PORT";
    }
    void fileErrors()
    {
        QFETCH(QString, text);
        const PairFile file = parsePairText(text);
        QCOMPARE(file.kind, PairFile::Kind::Bad);
        QTEST(file.lineNumber, "line");
        QTEST(file.line, "quoted");
        QTEST(file.problem.what, "what");
        QVERIFY(!file.problem.italian.isEmpty() && file.problem.italian != file.problem.what);
    }

    // A well-formed file, with notes and blank lines around its sides; a
    // file that does not start with "pair" is none.
    void fileRead()
    {
        const PairFile file = parsePairText(
            u"  pair \n# the Y cable\n\nhost = /dev/serial/by-id/usb-FTDI-if00\nmodem=rfc2217://[fe80::1]:7000\n");
        QCOMPARE(file.kind, PairFile::Kind::Pair);
        QCOMPARE(file.pair.sides[0].name, QStringLiteral("host"));
        QCOMPARE(file.pair.sides[0].where, QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"));
        QCOMPARE(file.pair.sides[0].lineNumber, 4);
        QCOMPARE(file.pair.sides[1].name, QStringLiteral("modem"));
        QCOMPARE(file.pair.sides[1].where, QStringLiteral("rfc2217://[fe80::1]:7000"));
        QCOMPARE(parsePairText(u"A = 1\nB = 2\n").kind, PairFile::Kind::NotAPair);
        QCOMPARE(parsePairText(u"pairs\nA = 1\nB = 2\n").kind, PairFile::Kind::NotAPair);
        QCOMPARE(parsePairText(u"tcp://lab:7000\n").kind, PairFile::Kind::NotAPair);

        std::array<QString, 2> paths{QStringLiteral("/dev/pts/3"), QStringLiteral("tcp://lab:7001")};
        const QString path = pairPath(file.pair, paths);
        QVERIFY(isPairPath(path) && !isPairPath(paths[0]));
        const PortPair back = pairFromPath(path);
        QCOMPARE(back.sides[0].name, QStringLiteral("host"));
        QCOMPARE(back.sides[0].where, paths[0]);
        QCOMPARE(back.sides[1].name, QStringLiteral("modem"));
        QCOMPARE(back.sides[1].where, paths[1]);
    }

    // Sides by number lead where those numbers lead; a side that leads
    // nowhere or to a pair (itself included) makes the pair unusable, named
    // by its line; --list-ports shows both.
    void resolvedAndListed()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        const auto write = [&](const QString &name, const QByteArray &text) {
            return test::writeFile(QDir(dir).filePath(name), text);
        };
        QVERIFY(write("COM2", "tcp://lab:7001\n"));
        QVERIFY(write("COM3", "pair\nhost = 2\nmodem = 4\n"));
        QVERIFY(write("COM5", "pair\nA = 1\nB = 5\n"));
        QVERIFY(write("COM6", "pair\nA = 1\nB = 9\n"));
        QVERIFY(write("COM7", "pair\nA = /dev/x\nB = 0\n"));
        const QList<SystemPort> system{{"ttyUSB0", "/dev/ttyUSB0"},
                                       {"ttyUSB1", "/dev/ttyUSB1"},
                                       {"ttyUSB2", "/dev/ttyUSB2"},
                                       {"ttyUSB3", "/dev/ttyUSB3"}};
        const auto resolve = [&](int number) { return resolvePort(number, dir, [&] { return system; }); };

        const auto pair = resolve(3);
        QVERIFY(pair && pair->pair.kind == PairFile::Kind::Pair);
        const PortPair sides = pairFromPath(pair->path);
        QCOMPARE(sides.sides[0].where, QStringLiteral("tcp://lab:7001"));
        QCOMPARE(sides.sides[1].where, QStringLiteral("/dev/ttyUSB3"));
        const auto self = resolve(5);
        QCOMPARE(self->pair.kind, PairFile::Kind::Bad);
        QCOMPARE(self->pair.lineNumber, 3);
        QCOMPARE(self->pair.problem.what, QStringLiteral("names port 5, which is a pair itself"));
        QCOMPARE(resolve(6)->pair.problem.what, QStringLiteral("names port 9, which leads to no port"));

        const QString list = formatPortList(dir, comLinksIn(dir), {}, {}, {});
        QVERIFY2(list.contains(QRegularExpression("COM3 +host=2  modem=4 +\\(pair\\)\n")), qPrintable(list));
        QVERIFY2(list.contains(QRegularExpression("COM7 +unusable +line 3 \"B = 0\", which has the port number 0, "
                                                  "which is not from 1 to 99\n")),
                 qPrintable(list));
    }

    // A side's line conditions name it; a side that cannot open fails the
    // pair with its name, and the side opened before it is closed again.
    void sidesNamed()
    {
        QTemporaryDir tmp;
        QVERIFY(test::writeFile(QDir(tmp.path()).filePath("COM7"), "pair\nA = /dev/a\nB = /dev/b\n"));
        MSComm comm(tmp.path());
        std::vector<FakeSide *> sides;
        QString failing;
        comm.setDeviceFactory([&](const QString &path) {
            auto side = std::make_unique<FakeSide>(path == failing);
            sides.push_back(side.get());
            return side;
        });
        comm.setCommPort(7);
        failing = QStringLiteral("/dev/b");
        try {
            comm.setPortOpen(true);
            QFAIL("opened");
        } catch (const NumberedError &error) {
            QCOMPARE(error.description(), QStringLiteral("Lato B della coppia: /dev/b non risponde"));
        }
        QVERIFY(!comm.portOpen() && !sides[0]->isOpen());

        failing.clear();
        sides.clear();
        comm.setPortOpen(true);
        QCOMPARE(comm.sideNames(), (QStringList{"A", "B"}));
        QSignalSpy events(&comm, &MSComm::sideLineEvent);
        QSignalSpy plain(&comm, &MSComm::lineEvent);
        emit sides[1]->lineEvent(CommEvent::Frame);
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0][0].toInt(), 1);
        QCOMPARE(events[0][1].toString(), QStringLiteral("B"));
        QCOMPARE(events[0][2].value<CommEvent>(), CommEvent::Frame);
        QCOMPARE(plain.size(), 0);

        // Reads of one millisecond: the first side first; otherwise by time.
        sides[1]->hold("b1", 10);
        sides[0]->hold("a1", 10);
        sides[0]->hold("a2", 12);
        sides[1]->hold("b2", 11);
        const StampedBytes merged = comm.device()->take(1000);
        QCOMPARE(merged.bytes, QByteArray("a1b1b2a2"));
        QCOMPARE(merged.sides, (SideMarks{{0, 0}, {2, 1}, {6, 0}}));
        QCOMPARE(merged.marks, (TimeMarks{{0, 10}, {4, 11}, {6, 12}}));
    }
};

QTEST_GUILESS_MAIN(TestPortPair)
#include "tst_port_pair.moc"
