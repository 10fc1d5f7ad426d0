// The port's rules with no port: naming, settings, line conditions, held
// bytes, and a remote port's address and RFC 2217 reader.
#include "port/comm_settings.h"
#include "port/held_bytes.h"
#include "port/line_conditions.h"
#include "port/port_list.h"
#include "port/port_names.h"
#include "port/read_pacing.h"
#include "port/remote_address.h"
#include "port/rfc2217_stream.h"
#include "port/tcp_keepalive.h"
#include "support/test_fixtures.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <tuple>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillar;

Q_DECLARE_METATYPE(quillar::LineSnapshot)

namespace {

struct Outcome
{
    QByteArray data;
    QList<int> events;
    QByteArray replies;
    int comPort = 0;
    friend bool operator==(const Outcome &, const Outcome &) = default;
};

// The server's bytes read in pieces that end at `cuts`.
Outcome readInPieces(const QByteArray &server, const QList<qsizetype> &cuts)
{
    Rfc2217Stream stream;
    (void)stream.start();
    Rfc2217Stream::Output out;
    qsizetype from = 0;
    for (const qsizetype cut : cuts + QList<qsizetype>{server.size()}) {
        stream.read(QByteArrayView(server).sliced(from, cut - from), out);
        from = cut;
    }
    Outcome o{out.data, {}, out.replies, int(stream.comPort())};
    for (const CommEvent event : out.events)
        o.events << int(event);
    return o;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (const int v : values)
        b.append(char(v));
    return b;
}

const QByteArray Sb = bytes({255, 250, 44}), Se = bytes({255, 240});

} // namespace

// Counters break, frame, overrun, buffer, parity; modem lines CTS, DSR, CD, ring.
using Look = LineSnapshot;

class TestPortRules : public QObject
{
    Q_OBJECT

private slots:
    // A COM<N> link first, resolved to the device (the lock is named after
    // it); a dangling one is a device gone; then the system's in natural order.
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
            return test::writeFile(dir.filePath(name), text);
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
                    + (port->badAddress.isEmpty() ? ""
                                                  : " contiene " + port->badAddress + ", che " + port->addressProblem);
        };
        QCOMPARE(opens(0), QStringLiteral("none"));
        QCOMPARE(opens(1), "link " + root + "/dev/ttyUSB1");
        QCOMPARE(opens(2), QStringLiteral("/dev/rfcomm10"));
        QCOMPARE(opens(3), "link gone " + settings + "/COM3");
        QCOMPARE(opens(6), QStringLiteral("/dev/ttyUSB2"));
        QCOMPARE(opens(7), QStringLiteral("/dev/ttyUSB10"));
        QCOMPARE(opens(8), QStringLiteral("none"));
        QCOMPARE(opens(4), QStringLiteral("link rfc2217://lab:7000"));
        QCOMPARE(opens(5),
                 "link " + settings + "/COM5 contiene tcp://lab:0, che ha la porta 0, che non è fra 1 e 65535");
        QCOMPARE(opens(9), "link " + settings + "/COM9");
        QCOMPARE(opens(10), "link " + root + "/address");
    }

    void settingsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        QTest::newRow("the program's form") << "9600,n,8,1"
                                            << "9600,n,8,1";
        QTest::newRow("upper-case parity reads back lower") << "9600,E,7,2"
                                                            << "9600,e,7,2";
        QTest::newRow("space, 4 data bits, 1.5 stop") << "1200,s,4,1.5"
                                                      << "1200,s,4,1.5";
        QTest::newRow("empty baud box gives 0") << "0,n,8,1"
                                                << "";
        QTest::newRow("baud one below the least") << "109,n,8,1"
                                                  << "";
        QTest::newRow("fractional baud") << "9600.5,n,8,1"
                                         << "";
        QTest::newRow("unknown parity") << "9600,x,8,1"
                                        << "";
        QTest::newRow("3 data bits") << "9600,n,3,1"
                                     << "";
        QTest::newRow("stop bits 1.0") << "9600,n,8,1.0"
                                       << "";
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
        QTest::newRow("many frame errors are one event")
            << Look{zero, {}} << Look{LineCounters{0, 7, 0, 0, 0}, {}} << QList<int>{1004};
        QTest::newRow("every counter, in code order")
            << Look{zero, {}} << Look{LineCounters{1, 1, 1, 1, 1}, {}} << QList<int>{1001, 1004, 1006, 1008, 1009};
        QTest::newRow("counter wrapped round") << Look{LineCounters{0, 0, 2147483647, 0, 0}, {}}
                                               << Look{LineCounters{0, 0, -2147483648LL, 0, 0}, {}} << QList<int>{1006};
        QTest::newRow("every line up") << Look{{}, idle} << Look{{}, ModemLines{true, true, true, true}}
                                       << QList<int>{3, 4, 5, 6};
        QTest::newRow("a ring between two looks")
            << Look{{}, idle} << Look{{}, ModemLines{false, false, false, false, 0, 0, 0, 1}} << QList<int>{6};
        QTest::newRow("DSR down") << Look{{}, ModemLines{false, true, false, false}} << Look{{}, idle} << QList<int>{4};
        QTest::newRow("DSR there and back between two looks")
            << Look{{}, idle} << Look{{}, ModemLines{false, false, false, false, 0, 2, 0, 0}} << QList<int>{4};
        QTest::newRow("CD there and back between two looks")
            << Look{{}, idle} << Look{{}, ModemLines{false, false, false, false, 0, 0, 2, 0}} << QList<int>{5};
        QTest::newRow("counters before lines")
            << Look{zero, idle} << Look{LineCounters{0, 0, 0, 0, 3}, ModemLines{true, false, false, false}}
            << QList<int>{1009, 3};
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

    // Applied against asked: the frame exactly, the rate within 2 %.
    void settingsTaken_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("applied");
        QTest::addColumn<bool>("taken");
        QTest::newRow("as asked") << "250000,n,8,1"
                                  << "250000,n,8,1" << true;
        QTest::newRow("16550A kept its old rate") << "230400,n,8,1"
                                                  << "4800,n,8,1" << false;
        QTest::newRow("nearest rate, 2 % off") << "74880,n,8,1"
                                               << "76377,n,8,1" << true;
        QTest::newRow("nearest rate, over 2 % off") << "250000,n,8,1"
                                                    << "256000,n,8,1" << false;
        QTest::newRow("parity dropped") << "9600,e,7,1"
                                        << "9600,n,8,1" << false;
        QTest::newRow("stop bits dropped") << "9600,n,8,2"
                                           << "9600,n,8,1" << false;
    }
    void settingsTaken()
    {
        QFETCH(QString, asked);
        QFETCH(QString, applied);
        QTEST(takenAsAsked(*parseCommSettings(asked), *parseCommSettings(applied)), "taken");
    }

    // Held at most a frame, and at most half the line-feed time.
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

    // Read bytes keep their reads' times through takes of any size, also
    // once the taken front is dropped (past a mebibyte taken).
    void heldBytesKeepTheirTimes()
    {
        HeldBytes held;
        held.append("ab", 1);
        held.append("cd", 2);
        held.append("e", 2);
        QCOMPARE(held.take(1).marks, (TimeMarks{{0, 1}}));
        const StampedBytes middle = held.take(3);
        QCOMPARE(middle.bytes, QByteArray("bcd"));
        QCOMPARE(middle.marks, (TimeMarks{{0, 1}, {1, 2}}));
        held.append(QByteArray(1 << 20, 'x'), 3);
        held.append("yz", 4);
        QCOMPARE(held.take(1 << 20).marks, (TimeMarks{{0, 2}, {1, 3}}));
        const StampedBytes last = held.take(10);
        QCOMPARE(last.bytes, QByteArray("xyz"));
        QCOMPARE(last.marks, (TimeMarks{{0, 3}, {1, 4}}));
        QCOMPARE(held.size(), 0);
    }

    void address_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // or the problem
        QTest::newRow("RFC 2217, IPv4") << "rfc2217://127.0.0.1:7000"
                                        << "rfc2217://127.0.0.1:7000";
        QTest::newRow("raw TCP, host name") << "tcp://lab-pi.example:2001"
                                            << "tcp://lab-pi.example:2001";
        QTest::newRow("IPv6 in brackets") << "rfc2217://[::1]:65535"
                                          << "rfc2217://[::1]:65535";
        QTest::newRow("unknown scheme") << "telnet://h:23"
                                        << "does not start with rfc2217:// or tcp://";
        QTest::newRow("port 0") << "tcp://h:0"
                                << "has the port 0, which is not from 1 to 65535";
        QTest::newRow("port 65536") << "tcp://h:65536"
                                    << "has the port 65536, which is not from 1 to 65535";
        QTest::newRow("port with a sign") << "tcp://h:+80"
                                          << "has the port \"+80\", which is not a number";
        QTest::newRow("no port") << "tcp://h"
                                 << "has no :PORT after the host";
        QTest::newRow("no host") << "tcp://:80"
                                 << "names no host";
        QTest::newRow("IPv6 without brackets") << "tcp://::1:80"
                                               << "has an IPv6 address without brackets: write [::1]";
        QTest::newRow("IPv4 in brackets") << "tcp://[1.2.3.4]:80"
                                          << "has [1.2.3.4], which is no IPv6 address";
        QTest::newRow("IPv4 number beyond 255") << "tcp://1.2.3.256:80"
                                                << "has 1.2.3.256, an IPv4 address with 256, beyond 255";
        QTest::newRow("leading zero") << "tcp://1.02.3.4:80"
                                      << "has 1.02.3.4, an IPv4 address with a leading zero";
        QTest::newRow("underscore") << "tcp://lab_pi:80"
                                    << "has the host name lab_pi, with \"_\", which no host name has";
        QTest::newRow("hyphen at a label's end")
            << "tcp://lab-.pi:80"
            << "has the host name lab-.pi, with a part that starts or ends with a hyphen";
    }
    void address()
    {
        QFETCH(QString, text);
        const auto parsed = parseRemoteAddress(text);
        const auto *address = std::get_if<RemoteAddress>(&parsed);
        QTEST(address ? address->text() : std::get<AddressProblem>(parsed).what, "readBack");
        // The window says it in Italian, with the same host, port or character.
        if (const auto *problem = std::get_if<AddressProblem>(&parsed)) {
            for (QString word : problem->what.split(u' ')) {
                while (word.endsWith(u',') || word.endsWith(u':'))
                    word.chop(1);
                if (!word.isEmpty() && !QRegularExpression(QStringLiteral("^[a-z]+$")).match(word).hasMatch())
                    QVERIFY2(problem->italian.contains(word), qPrintable(problem->italian + " lacks " + word));
            }
        }
    }

    // Every split of the server's bytes, and one byte at a time, reads as the whole.
    void serverBytes_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("events");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<int>("comPort"); // 0 asked, 1 agreed, 2 refused
        // What ser2net 4.3 sends first: SGA, ECHO offered and refused, binary and COM port agreed.
        QTest::newRow("ser2net's greeting")
            << bytes({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44})
            << QByteArray() << QList<int>{} << bytes({255, 254, 1}) << 1;
        QTest::newRow("unknown options refused each way")
            << bytes({255, 251, 24, 255, 253, 24, 255, 253, 1}) << QByteArray() << QList<int>{}
            << bytes({255, 254, 24, 255, 252, 24, 255, 252, 1}) << 0;
        QTest::newRow("COM port option refused")
            << bytes({255, 254, 44}) << QByteArray() << QList<int>{} << QByteArray() << 2;
        QTest::newRow("binary agreed, then withdrawn")
            << bytes({255, 251, 0, 255, 252, 0}) << QByteArray() << QList<int>{} << bytes({255, 254, 0}) << 0;
        QTest::newRow("each line condition, in a local port's order")
            << Sb + bytes({106, 0x1e}) + Se << QByteArray() << QList<int>{1001, 1004, 1006, 1009} << QByteArray() << 0;
        QTest::newRow("data ready and the transmitter are no event")
            << Sb + bytes({106, 0xe1}) + Se << QByteArray() << QList<int>{} << QByteArray() << 0;
        // Modem state: the change bits are events, the levels above them not
        // (0xFF doubled, as IAC is).
        for (const auto &[name, state, events] :
             {std::tuple("CTS changed", 0x01, QList<int>{3}), std::tuple("DSR changed", 0x02, QList<int>{4}),
              std::tuple("ring ended", 0x04, QList<int>{6}), std::tuple("CD changed", 0x08, QList<int>{5}),
              std::tuple("every change, every level", 0xff, QList<int>{3, 4, 5, 6}),
              std::tuple("levels alone", 0xf0, QList<int>{})})
            QTest::addRow("modem state: %s", name)
                << Sb + bytes({107}) + QByteArray(1, char(state)).replace("\xff", "\xff\xff") + Se << QByteArray()
                << events << QByteArray() << 0;
        QTest::newRow("notification between data")
            << "x" + Sb + bytes({106, 0x10}) + Se + "y" << QByteArray("xy") << QList<int>{1001} << QByteArray() << 0;
        QTest::newRow("a client's command from the server is ignored")
            << Sb + bytes({6, 0x10}) + Se << QByteArray() << QList<int>{} << QByteArray() << 0;
        QTest::newRow("notification of the wrong length")
            << Sb + bytes({106, 0x10, 0x10}) + Se << QByteArray() << QList<int>{} << QByteArray() << 0;
        QTest::newRow("endless subnegotiation dropped") << Sb + bytes({106}) + QByteArray(100000, '\x10') + Se + "z"
                                                        << QByteArray("z") << QList<int>{} << QByteArray() << 0;
        QTest::newRow("command inside an unfinished subnegotiation")
            << Sb + bytes({106, 0x10, 255, 251, 24}) + "z" << QByteArray("z") << QList<int>{} << bytes({255, 254, 24})
            << 0;
        QTest::newRow("NOP, GA, data mark and a lone SE skipped")
            << bytes({255, 241, 255, 249, 255, 242, 255, 240}) + "a" << QByteArray("a") << QList<int>{} << QByteArray()
            << 0;
        QTest::newRow("CR NUL is CR until the server sends binary")
            << QByteArray("\r\0a", 3) + bytes({255, 251, 0}) + QByteArray("\r\0b", 3) << QByteArray("\ra\r\0b", 5)
            << QList<int>{} << QByteArray() << 0;
    }
    void serverBytes()
    {
        QFETCH(QByteArray, server);
        const Outcome whole = readInPieces(server, {});
        QTEST(whole.data, "data");
        QTEST(whole.events, "events");
        QTEST(whole.replies, "replies");
        QTEST(whole.comPort, "comPort");
        QList<qsizetype> everyByte;
        for (qsizetype cut = 1; cut < std::min<qsizetype>(server.size(), 64); ++cut) {
            QCOMPARE(readInPieces(server, {cut}), whole);
            everyByte << cut;
        }
        QCOMPARE(readInPieces(server.left(64), everyByte), readInPieces(server.left(64), {}));
    }

    // The commands that set the line; the server's replies are the line.
    void lineSetUp_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QByteArray>("baudCommand");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("server");
        const QByteArray rest = Sb + bytes({102, 8}) + Se + Sb + bytes({103, 1}) + Se + Sb + bytes({104, 1}) + Se;
        QTest::newRow("115200 taken") << "115200,n,8,1" << Sb + bytes({1, 0, 1, 0xc2, 0}) + Se
                                      << Sb + bytes({101, 0, 1, 0xc2, 0}) + Se + rest << "115200,n,8,1";
        QTest::newRow("65535: IAC doubled both ways")
            << "65535,n,8,1" << Sb + bytes({1, 0, 0, 255, 255, 255, 255}) + Se
            << Sb + bytes({101, 0, 0, 255, 255, 255, 255}) + Se + rest << "65535,n,8,1";
        QTest::newRow("rate kept, reported") << "230400,n,8,1" << Sb + bytes({1, 0, 3, 0x84, 0}) + Se
                                             << Sb + bytes({101, 0, 0, 0x25, 0x80}) + Se + rest << "9600,n,8,1";
        QTest::newRow("unknown parity code") << "9600,n,8,1" << Sb + bytes({1, 0, 0, 0x25, 0x80}) + Se
                                             << Sb + bytes({101, 0, 0, 0x25, 0x80, 255, 240}) + Sb
                + bytes({102, 8, 255, 240}) + Sb + bytes({103, 9, 255, 240}) + Sb + bytes({104, 1}) + Se
                                             << "9600,parity 9,8,stop size 1";
        QTest::newRow("one reply missing")
            << "9600,n,8,1" << Sb + bytes({1, 0, 0, 0x25, 0x80}) + Se
            << Sb + bytes({101, 0, 0, 0x25, 0x80}) + Se + Sb + bytes({102, 8}) + Se << "";
    }
    void lineSetUp()
    {
        QFETCH(QString, asked);
        QFETCH(QByteArray, reply);
        Rfc2217Stream stream;
        QCOMPARE(stream.start(), bytes({255, 251, 44, 255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3}));
        QFETCH(QByteArray, baudCommand);
        const QByteArray commands = stream.setUp(*parseCommSettings(asked));
        QVERIFY(commands.startsWith(baudCommand));
        // 8 data bits, no parity, one stop; break, framing, parity, overrun; every modem change.
        QVERIFY(commands.endsWith(
            bytes({255, 250, 44,  2,   8,   255, 240, 255,  250, 44,  3,   1,   255, 240, 255,  250, 44, 4,
                   1,   255, 240, 255, 250, 44,  10,  0x1e, 255, 240, 255, 250, 44,  11,  0x0f, 255, 240})));
        Rfc2217Stream::Output out;
        stream.read(reply, out);
        const auto line = stream.serverLine();
        QTEST(line ? line->text() : QString(), "server");
        QVERIFY(out.data.isEmpty());
    }

    // A peer gone without a word is given up after the idle time and the
    // probes, as documented: the system holds the numbers it was handed.
    void keepAliveAsDocumented()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        QVERIFY(tcp_keepalive::enable(fd));
        const auto option = [fd](int level, int name) {
            int value = -1;
            socklen_t size = sizeof value;
            return ::getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
        };
        const QList<int> set{option(SOL_SOCKET, SO_KEEPALIVE) != 0, option(IPPROTO_TCP, TCP_KEEPIDLE),
                             option(IPPROTO_TCP, TCP_KEEPINTVL), option(IPPROTO_TCP, TCP_KEEPCNT)};
        ::close(fd);
        QCOMPARE(set, (QList<int>{1, 10, 5, 3}));
        QCOMPARE(tcp_keepalive::LossSeconds, 25);
    }

    // The system's ports and consoles as a kernel publishes them, here in a
    // folder of the test's, read without opening a device. A port is a
    // terminal with a device behind it, and for a serial slot a UART; a
    // console is any name of the console list or the active list, and
    // /dev/console. --list-ports numbers the ports from 1, says which numbers
    // a COM<N> link takes over, and marks a console, also through a link.
    void systemPortsAndConsoles()
    {
        QTemporaryDir tmp;
        const QDir root(QFileInfo(tmp.path()).canonicalFilePath());
        const SystemSources sources{root.filePath("dev"), root.filePath("class"), root.filePath("consoles"),
                                    root.filePath("active")};
        QVERIFY(root.mkpath("dev") && root.mkpath("settings"));
        for (const char *entry : {"ttyS0/device", "ttyS1/device", "ttyUSB0/device", "tty1", "rfcomm0", "ptmx"})
            QVERIFY(root.mkpath(QStringLiteral("class/") + entry));
        QVERIFY(test::writeFile(root.filePath("class/ttyS0/type"), "4\n")
                && test::writeFile(root.filePath("class/ttyS1/type"), "0\n"));
        for (const char *device : {"ttyS0", "ttyS1", "ttyUSB0", "tty1", "rfcomm0", "console"})
            QVERIFY(test::writeFile(root.filePath(QStringLiteral("dev/") + device), {}));
        QVERIFY(
            test::writeFile(sources.consoles,
                            "ttyS0                -W- (EC  p a)    4:64\ntty0                 -WU (E)         4:1\n"));
        QVERIFY(test::writeFile(sources.activeConsoles, "tty1 ttyS0\n"));

        const QList<SystemPort> ports = naturallySorted(systemSerialPorts(sources));
        QStringList found;
        for (const SystemPort &port : ports)
            found << port.name + u' ' + root.relativeFilePath(port.location);
        QCOMPARE(found, (QStringList{"rfcomm0 dev/rfcomm0", "ttyS0 dev/ttyS0", "ttyUSB0 dev/ttyUSB0"}));
        const QStringList consoles = systemConsoles(sources);
        QCOMPARE(consoles,
                 (QStringList{"console", "ttyS0", "tty0", "tty1"})
                     .replaceInStrings(QRegularExpression("^"), root.filePath("dev/")));

        QVERIFY(QFile::link(root.filePath("dev/ttyS0"), root.filePath("settings/COM1")));
        QVERIFY(QFile::link(root.filePath("dev/ttyUSB0"), root.filePath("settings/COM2")));
        QStringList list =
            formatPortList("/s", comLinksIn(root.filePath("settings")), ports, {}, consoles).split(u'\n');
        for (QString &line : list)
            line = line.simplified();
        const QString dev = root.filePath("dev/"), mark = QStringLiteral(" (system console: not opened at start-up)");
        QCOMPARE(list,
                 (QStringList{"COM<N> links in /s:", "COM1 " + dev + "ttyS0" + mark, "COM2 " + dev + "ttyUSB0",
                              "System serial ports, by number:", "1 " + dev + "rfcomm0 (number 1 means COM1 above)",
                              "2 " + dev + "ttyS0 (number 2 means COM2 above)" + mark, "3 " + dev + "ttyUSB0", ""}));

        // A machine that publishes nothing has no ports, and /dev/console.
        const SystemSources none{root.filePath("dev"), root.filePath("no"), root.filePath("no"), root.filePath("no")};
        QCOMPARE(systemSerialPorts(none).size(), 0);
        QCOMPARE(systemConsoles(none), QStringList{root.filePath("dev/console")});
    }
};

QTEST_GUILESS_MAIN(TestPortRules)
#include "tst_port_rules.moc"
