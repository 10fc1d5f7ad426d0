// A remote port's rules with no socket: the address a COM<N> file holds, and
// what the RFC 2217 reader makes of a server's bytes, split any way.
#include "port/comm_settings.h"
#include "port/remote_address.h"
#include "port/rfc2217_stream.h"
#include "port/tcp_keepalive.h"

#include <QTest>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillar;

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

} // namespace

class TestRemoteRules : public QObject
{
    Q_OBJECT

private slots:
    void address_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // or the problem
        QTest::newRow("RFC 2217, IPv4") << "rfc2217://127.0.0.1:7000" << "rfc2217://127.0.0.1:7000";
        QTest::newRow("raw TCP, host name") << "tcp://lab-pi.example:2001" << "tcp://lab-pi.example:2001";
        QTest::newRow("IPv6 in brackets") << "rfc2217://[::1]:65535" << "rfc2217://[::1]:65535";
        QTest::newRow("unknown scheme") << "telnet://h:23" << "does not start with rfc2217:// or tcp://";
        QTest::newRow("port 0") << "tcp://h:0" << "has the port 0, which is not from 1 to 65535";
        QTest::newRow("port 65536") << "tcp://h:65536" << "has the port 65536, which is not from 1 to 65535";
        QTest::newRow("port with a sign") << "tcp://h:+80" << "has the port \"+80\", which is not a number";
        QTest::newRow("no port") << "tcp://h" << "has no :PORT after the host";
        QTest::newRow("no host") << "tcp://:80" << "names no host";
        QTest::newRow("IPv6 without brackets") << "tcp://::1:80" << "has an IPv6 address without brackets: write [::1]";
        QTest::newRow("IPv4 in brackets") << "tcp://[1.2.3.4]:80" << "has [1.2.3.4], which is no IPv6 address";
        QTest::newRow("IPv4 number beyond 255") << "tcp://1.2.3.256:80" << "has 1.2.3.256, an IPv4 address with 256, beyond 255";
        QTest::newRow("leading zero") << "tcp://1.02.3.4:80" << "has 1.02.3.4, an IPv4 address with a leading zero";
        QTest::newRow("underscore") << "tcp://lab_pi:80" << "has the host name lab_pi, with \"_\", which no host name has";
        QTest::newRow("hyphen at a label's end") << "tcp://lab-.pi:80" << "has the host name lab-.pi, with a part that starts or ends with a hyphen";
    }
    void address()
    {
        QFETCH(QString, text);
        const auto parsed = parseRemoteAddress(text);
        const auto *address = std::get_if<RemoteAddress>(&parsed);
        QTEST(address ? address->text() : std::get<AddressProblem>(parsed).what, "readBack");
    }

    // Every split of the server's bytes, and one byte at a time, reads as the
    // whole does: IAC sequences cut anywhere, subnegotiations included.
    void serverBytes_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("events");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<int>("comPort"); // 0 asked, 1 agreed, 2 refused
        const QByteArray sb = bytes({255, 250, 44}), se = bytes({255, 240});
        QTest::newRow("doubled IAC is one 0xFF") << QByteArray("a\xff\xff\xff\xff" "b") << QByteArray("a\xff\xff" "b") << QList<int>{} << QByteArray() << 0;
        // What ser2net 4.3 sends first: SGA, ECHO offered and refused, binary and COM port agreed.
        QTest::newRow("ser2net's greeting")
            << bytes({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44})
            << QByteArray() << QList<int>{} << bytes({255, 254, 1}) << 1;
        QTest::newRow("unknown options refused each way")
            << bytes({255, 251, 24, 255, 253, 24, 255, 253, 1}) << QByteArray() << QList<int>{}
            << bytes({255, 254, 24, 255, 252, 24, 255, 252, 1}) << 0;
        QTest::newRow("COM port option refused") << bytes({255, 254, 44}) << QByteArray() << QList<int>{} << QByteArray() << 2;
        QTest::newRow("binary agreed, then withdrawn") << bytes({255, 251, 0, 255, 252, 0}) << QByteArray() << QList<int>{} << bytes({255, 254, 0}) << 0;
        QTest::newRow("each line condition, in a local port's order")
            << sb + bytes({106, 0x1e}) + se << QByteArray() << QList<int>{1001, 1004, 1006, 1009} << QByteArray() << 0;
        QTest::newRow("data ready and the transmitter are no event")
            << sb + bytes({106, 0xe1}) + se << QByteArray() << QList<int>{} << QByteArray() << 0;
        QTest::newRow("each modem line change") << sb + bytes({107, 0x0f}) + se << QByteArray() << QList<int>{3, 4, 5, 6} << QByteArray() << 0;
        QTest::newRow("modem levels alone are no event") << sb + bytes({107, 0xf0}) + se << QByteArray() << QList<int>{} << QByteArray() << 0;
        QTest::newRow("notification between data") << "x" + sb + bytes({106, 0x10}) + se + "y" << QByteArray("xy") << QList<int>{1001} << QByteArray() << 0;
        QTest::newRow("a client's command from the server is ignored") << sb + bytes({6, 0x10}) + se << QByteArray() << QList<int>{} << QByteArray() << 0;
        QTest::newRow("notification of the wrong length") << sb + bytes({106, 0x10, 0x10}) + se << QByteArray() << QList<int>{} << QByteArray() << 0;
        QTest::newRow("endless subnegotiation dropped") << sb + bytes({106}) + QByteArray(100000, '\x10') + se + "z" << QByteArray("z") << QList<int>{} << QByteArray() << 0;
        QTest::newRow("command inside an unfinished subnegotiation")
            << sb + bytes({106, 0x10, 255, 251, 24}) + "z" << QByteArray("z") << QList<int>{} << bytes({255, 254, 24}) << 0;
        QTest::newRow("NOP, GA, data mark and a lone SE skipped") << bytes({255, 241, 255, 249, 255, 242, 255, 240}) + "a" << QByteArray("a") << QList<int>{} << QByteArray() << 0;
        QTest::newRow("CR NUL is CR until the server sends binary")
            << QByteArray("\r\0a", 3) + bytes({255, 251, 0}) + QByteArray("\r\0b", 3) << QByteArray("\ra\r\0b", 5) << QList<int>{} << QByteArray() << 0;
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

    // The commands that set the line, IAC doubled in a value; the server's
    // replies are the line as it is.
    void lineSetUp_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QByteArray>("baudCommand");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("server");
        const QByteArray sb = bytes({255, 250, 44}), se = bytes({255, 240});
        const QByteArray rest = sb + bytes({102, 8}) + se + sb + bytes({103, 1}) + se + sb + bytes({104, 1}) + se;
        QTest::newRow("115200 taken") << "115200,n,8,1" << sb + bytes({1, 0, 1, 0xc2, 0}) + se
                                      << sb + bytes({101, 0, 1, 0xc2, 0}) + se + rest << "115200,n,8,1";
        QTest::newRow("65535: IAC doubled both ways") << "65535,n,8,1" << sb + bytes({1, 0, 0, 255, 255, 255, 255}) + se
                                                      << sb + bytes({101, 0, 0, 255, 255, 255, 255}) + se + rest << "65535,n,8,1";
        QTest::newRow("rate kept, reported") << "230400,n,8,1" << sb + bytes({1, 0, 3, 0x84, 0}) + se
                                             << sb + bytes({101, 0, 0, 0x25, 0x80}) + se + rest << "9600,n,8,1";
        QTest::newRow("unknown parity code") << "9600,n,8,1" << sb + bytes({1, 0, 0, 0x25, 0x80}) + se
                                             << sb + bytes({101, 0, 0, 0x25, 0x80, 255, 240}) + sb + bytes({102, 8, 255, 240}) + sb
                                                    + bytes({103, 9, 255, 240}) + sb + bytes({104, 1}) + se
                                             << "9600,parity 9,8,stop size 1";
        QTest::newRow("one reply missing") << "9600,n,8,1" << sb + bytes({1, 0, 0, 0x25, 0x80}) + se
                                           << sb + bytes({101, 0, 0, 0x25, 0x80}) + se + sb + bytes({102, 8}) + se << "";
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
        QVERIFY(commands.endsWith(bytes({255, 250, 44, 2, 8, 255, 240, 255, 250, 44, 3, 1, 255, 240, 255, 250, 44, 4, 1, 255, 240,
                                         255, 250, 44, 10, 0x1e, 255, 240, 255, 250, 44, 11, 0x0f, 255, 240})));
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
};

QTEST_GUILESS_MAIN(TestRemoteRules)
#include "tst_remote_rules.moc"
