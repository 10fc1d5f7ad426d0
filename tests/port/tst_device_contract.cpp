// What every device behind the serial control promises the control, held
// against each kind alike: a local port on a pseudo-terminal, and a remote
// one served over RFC 2217 and over plain TCP.
#include "port/mscomm.h"
#include "port/port_device.h"
#include "port/remote_device.h"
#include "port/serial_device.h"
#include "port/serial_driver.h"
#include "support/manual_clock.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_server.h"
#include "support/telnet_commands.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QThread>
#include <QTest>

#include <memory>

using namespace quillar;

namespace {

enum class Kind { Local, Rfc2217, PlainTcp };

// The other end of the line: where the device's bytes come from, and what
// the program sent there.
class FarEnd
{
public:
    virtual ~FarEnd() = default;
    [[nodiscard]] virtual QString path() const = 0;
    [[nodiscard]] virtual bool send(const QByteArray &bytes) = 0;
    // Sent while the program runs no events: the bytes reach the device's
    // side of the line and wait there, unless a reader of its own takes them.
    [[nodiscard]] virtual bool sendUnseen(const QByteArray &bytes, const PortDevice &device) = 0;
    virtual void hangUp() = 0;
    // Everything the program sent this way is allowed.
    [[nodiscard]] virtual bool heardOnlyCommands() = 0;
};

class LocalEnd : public FarEnd
{
public:
    QString path() const override { return m_terminal.slavePath(); }
    bool send(const QByteArray &bytes) override { return m_terminal.writeAll(bytes); }
    bool sendUnseen(const QByteArray &bytes, const PortDevice &device) override
    {
        const quint64 before = device.received();
        if (m_terminal.write(bytes) != bytes.size())
            return false;
        for (const QDeadlineTimer deadline(5000); !deadline.hasExpired(); QThread::msleep(1)) {
            if (m_terminal.inputWaiting() || device.received() > before)
                return true;
        }
        return false;
    }
    void hangUp() override { m_terminal.closeMaster(); }
    bool heardOnlyCommands() override { return m_terminal.readAvailable().isEmpty(); }

private:
    test::PseudoTerminal m_terminal;
};

class RemoteEnd : public FarEnd
{
public:
    explicit RemoteEnd(bool rfc2217)
        : m_rfc2217(rfc2217),
          m_server(rfc2217 ? test::ScriptedServer::Mode::Rfc2217 : test::ScriptedServer::Mode::Raw)
    { }
    QString path() const override
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(m_rfc2217 ? "rfc2217" : "tcp").arg(m_server.port());
    }
    // Over RFC 2217 each 0xFF goes doubled, and the writes cut a few pairs.
    bool send(const QByteArray &bytes) override
    {
        if (!m_server.connected())
            return false;
        if (!m_rfc2217) {
            m_server.send({bytes});
            return true;
        }
        QByteArray doubled = bytes;
        doubled.replace("\xff", "\xff\xff");
        QList<QByteArray> pieces;
        for (qsizetype at = 0; at < doubled.size();) {
            const qsizetype pair = doubled.indexOf("\xff\xff", at + 65536);
            const qsizetype end = pair < 0 ? doubled.size() : pair + 1;
            pieces << doubled.mid(at, end - at);
            at = end;
        }
        m_server.send(pieces);
        return true;
    }
    bool sendUnseen(const QByteArray &bytes, const PortDevice &) override
    {
        if (!m_server.connected())
            return false;
        m_server.send({m_rfc2217 ? QByteArray(bytes).replace("\xff", "\xff\xff") : bytes}, false);
        return true;
    }
    void hangUp() override { m_server.close(); }
    bool heardOnlyCommands() override
    {
        return m_rfc2217 ? test::onlyTelnetCommands(m_server.received) : m_server.received.isEmpty();
    }

private:
    bool m_rfc2217;
    test::ScriptedServer m_server;
};

// Every byte, singly and in runs, 0xFF among them, so that a byte lost,
// doubled or moved shows.
QByteArray counting(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = (i / 1000) % 7 == 3 ? '\xff' : char((i + i / 256) & 0xFF);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestDeviceContract : public QObject
{
    Q_OBJECT

    test::ManualClock m_clock; // outlives every device that reads on it
    std::unique_ptr<FarEnd> m_end;
    std::unique_ptr<PortDevice> m_device;
    std::unique_ptr<QSignalSpy> m_ready;

    // The device open on the far end, as the control leaves it: no
    // notification asked for yet.
    [[nodiscard]] bool open()
    {
        QFETCH_GLOBAL(Kind, kind);
        if (kind == Kind::Local) {
            m_end = std::make_unique<LocalEnd>();
            m_device = std::make_unique<SerialDevice>(LinuxSerialDriver::instance(), m_clock);
        } else {
            m_end = std::make_unique<RemoteEnd>(kind == Kind::Rfc2217);
            m_device = std::make_unique<RemoteDevice>(RemoteDevice::ConnectTimeoutMs, m_clock);
        }
        m_ready = std::make_unique<QSignalSpy>(m_device.get(), &PortDevice::readyRead);
        QSignalSpy connected(m_device.get(), &PortDevice::connected);
        m_device->open(m_end->path(), QStringLiteral("COM7"), *parseCommSettings(QStringLiteral("9600,n,8,1")));
        if (m_device->isConnecting() && !connected.wait(5000))
            return false;
        return m_device->isOpen() && !m_device->isConnecting();
    }
    // Sent, and read by the device.
    [[nodiscard]] bool arrive(const QByteArray &bytes)
    {
        const quint64 before = m_device->received();
        if (!m_end->send(bytes))
            return false;
        const quint64 after = before + quint64(bytes.size());
        for (const QDeadlineTimer deadline(10000); m_device->received() < after && !deadline.hasExpired();)
            QTest::qWait(1);
        return m_device->received() == after;
    }
    [[nodiscard]] StampedBytes takeAll(qint64 piece)
    {
        StampedBytes all;
        while (m_device->available() > 0) {
            const StampedBytes next = m_device->take(piece);
            for (const TimeMark mark : next.marks)
                all.marks.push_back({mark.offset + all.bytes.size(), mark.ms});
            all.bytes += next.bytes;
        }
        return all;
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("local") << Kind::Local;
        QTest::newRow("remote, RFC 2217") << Kind::Rfc2217;
        QTest::newRow("remote, plain TCP") << Kind::PlainTcp;
    }
    void cleanup()
    {
        m_ready.reset();
        m_device.reset();
        m_end.reset();
    }

    // A burst many reads long comes out as it went in, taken in pieces,
    // every time mark inside what it marks; nothing goes the other way but
    // the protocol's own commands.
    void bytesInOrderAndWhole()
    {
        QVERIFY(open());
        const QByteArray burst = counting(1536 * 1024);
        QVERIFY(arrive(burst));
        const StampedBytes taken = takeAll(40000);
        QVERIFY(taken.bytes == burst);
        QVERIFY(!taken.marks.empty() && taken.marks.front().offset == 0);
        for (std::size_t i = 1; i < taken.marks.size(); ++i)
            QVERIFY(taken.marks[i].offset > taken.marks[i - 1].offset && taken.marks[i].offset < burst.size());
        QCOMPARE(m_device->available(), 0);
        QCOMPARE(m_device->take(10).bytes, QByteArray());
        QVERIFY(m_end->heardOnlyCommands());
    }

    // One notification per ask, once more than the bytes seen have been
    // read: at once when they already have, never for bytes already told
    // of, none while nothing new comes.
    void oneNotificationPerAsk()
    {
        QVERIFY(open());
        const auto quiet = [this](int count) {
            QTest::qWait(50);
            return m_ready->count() == count;
        };
        m_device->notifyAfter(0);
        QVERIFY(quiet(0));
        QVERIFY(arrive("a"));
        QTRY_COMPARE(m_ready->count(), 1);
        QVERIFY(arrive("b")); // nobody asked
        QVERIFY(quiet(1));
        m_device->notifyAfter(2);
        QVERIFY(quiet(1));
        m_device->notifyAfter(1);
        QTRY_COMPARE(m_ready->count(), 2);
        QVERIFY(quiet(2));
        QVERIFY(arrive("c"));
        QVERIFY(quiet(2));
        m_device->notifyAfter(3);
        QVERIFY(arrive("\xff"));
        QTRY_COMPARE(m_ready->count(), 3);
        QVERIFY(quiet(3));
        QCOMPARE(takeAll(100).bytes, QByteArray("abc\xff"));
    }

    // The far end gone: told once, and what had arrived is still there to
    // take, as it came.
    void hangUpKeepsWhatArrived()
    {
        QVERIFY(open());
        QSignalSpy gone(m_device.get(), &PortDevice::hungUp);
        m_device->notifyAfter(0);
        QVERIFY(arrive("first\xff"));
        QVERIFY(arrive("last"));
        m_end->hangUp();
        QVERIFY(gone.wait(5000));
        QVERIFY(m_device->isOpen());
        QTest::qWait(50);
        QCOMPARE(gone.count(), 1);
        QCOMPARE(m_device->available(), 10);
        QCOMPARE(takeAll(3).bytes,
                 QByteArray("first\xff"
                            "last"));
        m_device->close();
        QVERIFY(!m_device->isOpen());
    }

    // A remote port gone while the program takes nothing: what the server
    // sent is read past the held limit. (A local port pauses there, and its
    // system drops what a hung-up terminal still holds.)
    void hangUpPastTheHeldLimit()
    {
        QFETCH_GLOBAL(Kind, kind);
        if (kind == Kind::Local)
            QSKIP("a local port leaves the rest to the system");
        QVERIFY(open());
        QSignalSpy gone(m_device.get(), &PortDevice::hungUp);
        const QByteArray burst = counting(RemoteDevice::MaxHeld + 512 * 1024);
        QVERIFY(m_end->send(burst));
        m_end->hangUp();
        QVERIFY(gone.wait(10000));
        QVERIFY(takeAll(MSComm::MaxInputRead).bytes == burst);
    }

    // Reading ends: what had reached the device is read and kept, nothing
    // after it.
    void stopReadingKeepsWhatCameBefore()
    {
        QVERIFY(open());
        QVERIFY(m_end->sendUnseen("before\xff", *m_device));
        m_device->stopReading();
        QCOMPARE(m_device->available(), 7);
        QVERIFY(m_end->send("after"));
        QTest::qWait(50);
        QCOMPARE(m_device->received(), 7u);
        QCOMPARE(takeAll(100).bytes, QByteArray("before\xff"));
    }

    // Closing drops what was held: nothing to take, nothing counted.
    void closeDropsWhatWasHeld()
    {
        QVERIFY(open());
        QVERIFY(arrive("held"));
        m_device->close();
        QVERIFY(!m_device->isOpen());
        QCOMPARE(m_device->available(), 0);
        QCOMPARE(m_device->take(10).bytes, QByteArray());
        QCOMPARE(m_device->received(), 0u);
    }

    // Each byte carries the time it was read, however late it is taken, and
    // a read taken in two pieces marks both.
    void timesTravelWithTheBytes()
    {
        QVERIFY(open());
        const qint64 t0 = m_clock.msSinceEpoch();
        QVERIFY(arrive("a"));
        m_clock.advance(std::chrono::milliseconds(5));
        QVERIFY(arrive("bc"));
        QVERIFY(arrive("d")); // the same millisecond: one mark
        m_clock.advance(std::chrono::milliseconds(1000));
        const StampedBytes front = m_device->take(2);
        QCOMPARE(front.bytes, QByteArray("ab"));
        QCOMPARE(front.marks, (TimeMarks{{0, t0}, {1, t0 + 5}}));
        const StampedBytes rest = m_device->take(10);
        QCOMPARE(rest.bytes, QByteArray("cd"));
        QCOMPARE(rest.marks, (TimeMarks{{0, t0 + 5}}));
    }
};

QTEST_GUILESS_MAIN(TestDeviceContract)
#include "tst_device_contract.moc"
