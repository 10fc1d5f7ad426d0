// The serial control end to end, on pseudo-terminals linked as COM<N>.
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "port/serial_linux.h"
#include "support/pseudo_terminal.h"
#include "support/real_faults.h"
#include "support/test_fixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillar;
using quillar::test::TemporaryWorkingDir;
using quillar::test::PseudoTerminal;

namespace {

// What a handler saw of OnComm: every event code, and for code 2 each read.
struct Received
{
    QList<int> events;
    QList<int> readSizes;
    QByteArray bytes;
    bool hold = false; // when set, code 2 is heard but Input is not read
};

void listen(MSComm &comm, Received &r)
{
    QObject::connect(&comm, &MSComm::dataReady, &comm, [&comm, &r] {
        r.events << int(CommEvent::Receive);
        if (!r.hold) {
            const QByteArray chunk = comm.input();
            r.readSizes << int(chunk.size());
            r.bytes += chunk;
        }
    });
    QObject::connect(&comm, &MSComm::lineEvent, &comm, [&r](CommEvent event) { r.events << int(event); });
    QObject::connect(&comm, &MSComm::deviceLost, &comm, [&r] { r.events << int(CommEvent::DeviceLost); });
}

template <typename F>
int errorOf(F &&step, QString *description = nullptr)
{
    try {
        step();
    } catch (const NumberedError &e) {
        if (description)
            *description = e.description();
        return e.number();
    }
    return 0;
}

QByteArray allByteValues(int size)
{
    // Every value, and a pattern that shifts by one each 256 bytes, so that a
    // block lost, doubled or swapped shows.
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i + i / 256) & 0xFF);
    return data;
}

} // namespace

class TestMSComm : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryWorkingDir> m_dir;

    void openOn(MSComm &comm, PseudoTerminal &device, int number)
    {
        QVERIFY(device.linkAs(m_dir->path(), number));
        comm.setCommPort(std::int16_t(number));
        comm.setSettings(QStringLiteral("9600,n,8,1"));
        comm.setPortOpen(true);
        QVERIFY(comm.portOpen());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
    }
    void init()
    {
        m_dir = std::make_unique<TemporaryWorkingDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { m_dir.reset(); }

    void openReceiveCloseReopen()
    {
        PseudoTerminal device;
        MSComm comm;
        Received r;
        listen(comm, r);
        openOn(comm, device, 3);
        QCOMPARE(comm.devicePath(), device.slavePath());
        const QByteArray line("Temp=21.5\r\n\0", 12);
        QVERIFY(device.writeAll(line));
        QTRY_COMPARE(r.bytes, line);
        QVERIFY(!r.readSizes.contains(0)); // no event without bytes
        QCOMPARE(r.events, QList<int>(r.events.size(), 2));
        QCOMPARE(device.readAvailable(), QByteArray()); // receive only

        // Closing first hands over what already reached the port.
        r.hold = true;
        QVERIFY(device.writeAll("late"));
        QTRY_COMPARE(comm.inBufferCount(), qint64(4));
        r.hold = false;
        comm.setPortOpen(false);
        QCOMPARE(r.bytes, line + "late");
        QCOMPARE(comm.devicePath(), QString());
        comm.setPortOpen(false); // closing a closed port is harmless

        comm.setPortOpen(true);
        QVERIFY(device.writeAll("again"));
        QTRY_VERIFY(r.bytes.endsWith("again"));
    }

    void waitingBytesComeInCappedReads()
    {
        // A handler that lets bytes pile up gets them back at most 32767 a
        // read, each remainder announced by another event, none lost.
        PseudoTerminal device;
        MSComm comm;
        Received r;
        listen(comm, r);
        openOn(comm, device, 4);
        r.hold = true;
        const QByteArray data = allByteValues(100000);
        QVERIFY(device.writeAll(data));
        QTRY_COMPARE(comm.inBufferCount(), qint64(data.size()));
        const int heldEvents = int(r.events.size());
        QVERIFY(heldEvents > 0);
        r.hold = false;
        QVERIFY(device.writeAll("!"));
        QTRY_COMPARE(r.bytes.size(), data.size() + 1);
        QVERIFY(r.bytes == data + "!");
        QCOMPARE(r.readSizes, (QList<int>{32767, 32767, 32767, 1700}));
        QCOMPARE(r.events.size(), qsizetype(heldEvents + 4));
    }

    void portNumberErrors()
    {
        MSComm comm;
        QCOMPARE(errorOf([&] { comm.setCommPort(0); }), ErrorNumber::InvalidPortNumber);
        QCOMPARE(errorOf([&] { comm.setCommPort(-5); }), ErrorNumber::InvalidPortNumber);
        QCOMPARE(comm.commPort(), std::int16_t(1)); // unchanged
        // No COM99 here and no 99 serial ports on the system.
        comm.setCommPort(99);
        QString description;
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }, &description), ErrorNumber::InvalidPortNumber);
        QCOMPARE(description, QStringLiteral("Invalid port number"));
        // A link to a device that is gone.
        QVERIFY(QFile::link(m_dir->filePath("pulled"), m_dir->filePath("COM8")));
        comm.setCommPort(8);
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), ErrorNumber::DeviceUnavailable);
        QVERIFY(!comm.portOpen());

        // While open, neither the number nor a second open.
        PseudoTerminal device;
        openOn(comm, device, 6);
        QCOMPARE(errorOf([&] { comm.setCommPort(2); }, &description), ErrorNumber::PortAlreadyOpen);
        QCOMPARE(description, QStringLiteral("Port already open"));
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), ErrorNumber::PortAlreadyOpen);
        QCOMPARE(comm.commPort(), std::int16_t(6));
    }

    void settingsRefused_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("refusedWhenSet"); // else refused by the device on opening
        QTest::newRow("empty baud box") << "0,n,8,1" << true;
        // Pseudo-terminals carry eight bits with no parity, nothing else.
        QTest::newRow("7 data bits, even parity") << "9600,e,7,1" << false;
    }
    void settingsRefused()
    {
        QFETCH(QString, settings);
        QFETCH(bool, refusedWhenSet);
        PseudoTerminal device;
        QVERIFY(device.linkAs(m_dir->path(), 9));
        MSComm comm;
        comm.setCommPort(9);
        QString description;
        const int atSet = errorOf([&] { comm.setSettings(settings); }, &description);
        const int atOpen = errorOf([&] { comm.setPortOpen(true); }, refusedWhenSet ? nullptr : &description);
        QCOMPARE(atSet, refusedWhenSet ? ErrorNumber::InvalidPropertyValue : 0);
        QCOMPARE(atOpen, refusedWhenSet ? 0 : ErrorNumber::InvalidPropertyValue);
        QCOMPARE(description, QStringLiteral("Invalid property value"));

        // Refused while open: the port stays open on what it had.
        comm.setPortOpen(false);
        comm.setSettings(QStringLiteral("9600,n,8,1"));
        comm.setPortOpen(true);
        QCOMPARE(errorOf([&] { comm.setSettings(settings); }), ErrorNumber::InvalidPropertyValue);
        QCOMPARE(comm.settings(), QStringLiteral("9600,n,8,1"));
        Received r;
        listen(comm, r);
        QVERIFY(device.writeAll("still"));
        QTRY_COMPARE(r.bytes, QByteArray("still"));
        // Accepted while open: applied at once and read back.
        comm.setSettings(QStringLiteral("19200,N,8,2"));
        QCOMPARE(comm.settings(), QStringLiteral("19200,n,8,2"));
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
        PseudoTerminal device;
        QVERIFY(device.linkAs(m_dir->path(), 10));
        const QByteArray slave = QFile::encodeName(device.slavePath());
        QFile lock(QStringLiteral("/run/lock/LCK..") + QString(device.slavePath()).remove(QStringLiteral("/dev/")).replace(u'/', u'_'));
        QProcess other; // a program that announces itself in the lock file
        const int fd = exclusive ? ::open(slave.constData(), O_RDONLY | O_NOCTTY) : -1;
        if (exclusive) {
            QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
        } else {
            other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(other.waitForStarted() && lock.open(QIODevice::WriteOnly));
            QCOMPARE(lock.write(QByteArray::number(other.processId()).rightJustified(10) + '\n'), 11);
            lock.close();
        }
        MSComm comm;
        comm.setCommPort(10);
        QString description;
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }, &description), ErrorNumber::PortBusy);
        QCOMPARE(description, QStringLiteral("The hardware is not available (locked by another device)"));

        // The holder goes; a killed program leaves its lock file behind.
        if (exclusive)
            QVERIFY(::ioctl(fd, TIOCNXCL) == 0 && ::close(fd) == 0);
        other.kill();
        other.waitForFinished();
        comm.setPortOpen(true);
        QVERIFY(comm.portOpen());
        lock.remove();
        // A second control in this program meets the port busy too.
        MSComm second;
        second.setCommPort(10);
        QCOMPARE(errorOf([&] { second.setPortOpen(true); }), ErrorNumber::PortBusy);
    }

    void permissionIs70()
    {
        PseudoTerminal device;
        QVERIFY(device.linkAs(m_dir->path(), 11));
        QCOMPARE(::chmod(QFile::encodeName(device.slavePath()).constData(), 0), 0);
        MSComm comm;
        comm.setCommPort(11);
        QString description;
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }, &description), ErrorNumber::PermissionDenied);
        // The description names the device and the way to get access.
        QVERIFY2(description.contains(device.slavePath()) && description.contains(QStringLiteral("usermod -aG")),
                 qPrintable(description));
    }

    // The device vanishes: one 68, the port closed, and the link leads
    // nowhere now. (Coming back is the reconnect tests' part.)
    void vanishingDevice()
    {
        auto device = std::make_unique<PseudoTerminal>();
        MSComm comm;
        Received r;
        listen(comm, r);
        openOn(comm, *device, 5);
        QVERIFY(device->writeAll("before"));
        QTRY_COMPARE(r.bytes, QByteArray("before"));
        device->closeMaster();
        QTRY_COMPARE(r.events.count(ErrorNumber::DeviceUnavailable), qsizetype(1));
        QVERIFY(!comm.portOpen());
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), ErrorNumber::DeviceUnavailable);
        // The hang-up keeps signalling until the port is closed: no second 68.
        QTest::qWait(200);
        QCOMPARE(r.events.count(ErrorNumber::DeviceUnavailable), qsizetype(1));
    }

    void pseudoTerminalsReportNoLineConditions()
    {
        PseudoTerminal device;
        const int fd = ::open(QFile::encodeName(device.slavePath()).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const LineSnapshot snapshot = serial_linux::readLine(fd, true, true);
        QVERIFY(!snapshot.counters && !snapshot.modem);
        QVERIFY(!serial_linux::hungUp(fd));
        device.closeMaster();
        QVERIFY(serial_linux::hungUp(fd));
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
