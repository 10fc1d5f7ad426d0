// The serial control end to end, on pseudo-terminals linked as COM<N>, and
// the fake-device tool that streams to one.
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "support/pseudo_terminal.h"
#include "support/real_faults.h"
#include "support/test_fixtures.h"

#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillar;
using quillar::test::PseudoTerminal;

namespace {

// What a step throws, as "<number> <description>"; empty for nothing.
template <typename F>
QString errorOf(F &&step)
{
    try {
        step();
    } catch (const NumberedError &e) {
        return QString::number(e.number()) + u' ' + e.description();
    }
    return {};
}

} // namespace

class TestMSComm : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::TemporaryWorkingDir> m_dir;
    PseudoTerminal m_device;
    MSComm m_comm;
    // What the handler took: each read, and every byte in order. While
    // m_hold is set it hears dataReady but does not read Input.
    QList<int> m_readSizes;
    QByteArray m_bytes;
    bool m_hold = false;

    // The control on COM<number>, a link to this test's device.
    [[nodiscard]] bool openAs(int number, const QString &settings = QStringLiteral("9600,n,8,1"))
    {
        if (!m_device.linkAs(m_dir->path(), number))
            return false;
        m_comm.setCommPort(std::int16_t(number));
        m_comm.setSettings(settings);
        m_comm.setPortOpen(true);
        return m_comm.portOpen();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
        QObject::connect(&m_comm, &MSComm::dataReady, this, [this] {
            const QByteArray chunk = m_hold ? QByteArray() : m_comm.input();
            m_readSizes << int(chunk.size());
            m_bytes += chunk;
        });
    }
    void init()
    {
        m_dir = std::make_unique<test::TemporaryWorkingDir>();
        QVERIFY(m_dir->isValid());
        m_readSizes.clear(), m_bytes.clear(), m_hold = false;
    }
    void cleanup()
    {
        m_comm.setPortOpen(false);
        m_dir.reset();
    }

    // Bytes that pile up while the handler does not read come back at most
    // 32767 a read, each remainder announced by another event, none lost and
    // no event without bytes; closing first hands over what reached the port.
    void receiveInCappedReadsAndClose()
    {
        QVERIFY(openAs(3));
        QCOMPARE(m_comm.devicePath(), m_device.slavePath());
        QByteArray data(100000, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char((i + i / 256) & 0xFF); // a block lost, doubled or swapped shows
        m_hold = true;
        QVERIFY(m_device.writeAll(data));
        QTRY_COMPARE(m_comm.inBufferCount(), qint64(data.size()));
        m_readSizes.clear();
        m_hold = false;
        QVERIFY(m_device.writeAll("!"));
        QTRY_COMPARE(m_bytes.size(), data.size() + 1);
        QVERIFY(m_bytes == data + "!");
        QCOMPARE(m_readSizes, (QList<int>{32767, 32767, 32767, 1700}));
        QCOMPARE(m_device.readAvailable(), QByteArray()); // receive only

        m_hold = true;
        QVERIFY(m_device.writeAll("late"));
        QTRY_COMPARE(m_comm.inBufferCount(), qint64(4));
        m_hold = false;
        m_comm.setPortOpen(false);
        QVERIFY(m_bytes.endsWith("!late"));
        QCOMPARE(m_comm.devicePath(), QString());
        m_comm.setPortOpen(false); // closing a closed port is harmless
    }

    void portNumberErrors()
    {
        QCOMPARE(errorOf([&] { m_comm.setCommPort(0); }), QStringLiteral("8002 Invalid port number"));
        m_comm.setCommPort(99); // no COM99 here and no 99 serial ports on the system
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }), QStringLiteral("8002 Invalid port number"));
        QVERIFY(QFile::link(m_dir->filePath("pulled"), m_dir->filePath("COM8"))); // a device gone
        m_comm.setCommPort(8);
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }), QStringLiteral("68 Device unavailable"));
        QVERIFY(!m_comm.portOpen());
        // While open, neither the number nor a second open.
        QVERIFY(openAs(6));
        QCOMPARE(errorOf([&] { m_comm.setCommPort(2); }), QStringLiteral("8005 Port already open"));
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }), QStringLiteral("8005 Port already open"));
        QCOMPARE(m_comm.commPort(), std::int16_t(6));
    }

    // Settings refused when set, or by the device (pseudo-terminals carry
    // eight bits with no parity) on opening; refused while open, the port
    // stays open on what it had.
    void settingsRefused()
    {
        const QString refused = QStringLiteral("380 Invalid property value");
        QCOMPARE(errorOf([&] { m_comm.setSettings("0,n,8,1"); }), refused);
        QCOMPARE(errorOf([&] { (void)openAs(9, "9600,e,7,1"); }), refused);
        QVERIFY(!m_comm.portOpen());
        QVERIFY(openAs(9));
        QCOMPARE(errorOf([&] { m_comm.setSettings("9600,e,7,1"); }), refused);
        QCOMPARE(m_comm.settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(m_device.writeAll("still"));
        QTRY_COMPARE(m_bytes, QByteArray("still"));
        m_comm.setSettings(QStringLiteral("19200,N,8,2")); // applied at once
        QCOMPARE(m_comm.settings(), QStringLiteral("19200,n,8,2"));
    }

    // 8010 and its message while another holds the port; it opens once the
    // holder has gone, even past the lock file a killed program left behind.
    void busyIs8010_data()
    {
        QTest::addColumn<bool>("exclusive");
        QTest::newRow("another program, exclusive mode") << true;
        QTest::newRow("another program, lock file") << false;
    }
    void busyIs8010()
    {
        QFETCH(bool, exclusive);
        QVERIFY(m_device.linkAs(m_dir->path(), 10));
        QFile lock("/run/lock/LCK.." + QString(m_device.slavePath()).remove("/dev/").replace(u'/', u'_'));
        QProcess other; // a program that announces itself in the lock file
        const int fd = exclusive ? ::open(QFile::encodeName(m_device.slavePath()).constData(), O_RDONLY | O_NOCTTY) : -1;
        if (exclusive) {
            QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
        } else {
            other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(other.waitForStarted() && lock.open(QIODevice::WriteOnly));
            QCOMPARE(lock.write(QByteArray::number(other.processId()).rightJustified(10) + '\n'), 11);
            lock.close();
        }
        m_comm.setCommPort(10);
        const QString busy = QStringLiteral("8010 The hardware is not available (locked by another device)");
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }), busy);

        if (exclusive)
            QVERIFY(::ioctl(fd, TIOCNXCL) == 0 && ::close(fd) == 0);
        other.kill();
        other.waitForFinished();
        m_comm.setPortOpen(true);
        QVERIFY(m_comm.portOpen());
        lock.remove();
    }

    // A Qt program killed while it held the port leaves its lock file; once
    // its number belongs to another program, the port is free.
    void lockOfAKilledProgramWithItsNumberReused()
    {
        QVERIFY(m_device.linkAs(m_dir->path(), 11));
        QFile lock("/run/lock/LCK.." + QString(m_device.slavePath()).remove("/dev/").replace(u'/', u'_'));
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted() && lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(other.processId()) + "\nquillar\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        m_comm.setCommPort(11);
        m_comm.setPortOpen(true);
        QVERIFY(m_comm.portOpen());
        other.kill();
        other.waitForFinished();
        lock.remove();
    }

    // A smoke test of tools/fake-device: it names its terminal once its
    // COM<N> link is in place, and streams its bytes there.
    void fakeDeviceStreamsToItsLink()
    {
        QProcess device;
        device.setWorkingDirectory(m_dir->path());
        device.start(QStringLiteral(FAKE_DEVICE_PATH), {"--port", "12", "--mode", "binary", "--count", "600", "--rate", "0"});
        QTRY_VERIFY_WITH_TIMEOUT(device.canReadLine(), 10000);
        QVERIFY(device.readLine().startsWith("fake-device: COM12"));
        m_comm.setCommPort(12);
        m_comm.setPortOpen(true);
        QByteArray counting(600, '\0');
        for (int i = 0; i < counting.size(); ++i)
            counting[i] = char(i & 0xFF);
        QTRY_COMPARE(m_bytes, counting);
        device.terminate();
        QVERIFY(device.waitForFinished(10000));
        QCOMPARE(device.exitCode(), 0);
    }

    // The description names the device and the way to get access.
    void permissionIs70()
    {
        QVERIFY(m_device.linkAs(m_dir->path(), 11));
        QCOMPARE(::chmod(QFile::encodeName(m_device.slavePath()).constData(), 0), 0);
        m_comm.setCommPort(11);
        const QString error = errorOf([&] { m_comm.setPortOpen(true); });
        QVERIFY2(error.startsWith("70 ") && error.contains(m_device.slavePath()) && error.contains("usermod -aG"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
