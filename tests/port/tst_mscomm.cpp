// The serial control end to end, on pseudo-terminals linked as COM<N>.
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "port/serial_linux.h"
#include "support/pseudo_terminal.h"
#include "support/real_faults.h"
#include "support/test_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Another program with the device open: a process of its own that holds the
// slave in exclusive mode (TIOCEXCL), announces it in a lock file, or both.
class OtherProgram
{
public:
    OtherProgram(const QString &device, bool exclusive, bool lockFile)
        : m_lock(QStringLiteral("/run/lock/LCK..") + QString(device).remove(QStringLiteral("/dev/")).replace(u'/', u'_'))
    {
        int ready[2];
        int quit[2];
        if (::pipe(ready) != 0 || ::pipe(quit) != 0)
            return;
        const QByteArray path = QFile::encodeName(device);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(quit[1]);
            const int fd = ::open(path.constData(), O_RDONLY | O_NOCTTY);
            const bool held = fd >= 0 && (!exclusive || ::ioctl(fd, TIOCEXCL) == 0);
            (void)!::write(ready[1], held ? "y" : "n", 1);
            char none;
            (void)!::read(quit[0], &none, 1);
            // Exclusive mode ends with the device's last close; here the test
            // keeps a descriptor of its own open, so it is ended by hand.
            ::ioctl(fd, TIOCNXCL);
            ::_exit(0);
        }
        ::close(quit[0]);
        m_quit = quit[1];
        char answer = 'n';
        m_held = m_pid > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
        ::close(ready[1]);
        if (lockFile) {
            QFile lock(m_lock);
            m_held = m_held && lock.open(QIODevice::WriteOnly)
                && lock.write(QByteArray::number(m_pid).rightJustified(10) + '\n') == 11;
        }
    }
    ~OtherProgram()
    {
        exit();
        QFile::remove(m_lock);
    }
    OtherProgram(const OtherProgram &) = delete;
    OtherProgram &operator=(const OtherProgram &) = delete;

    [[nodiscard]] bool holds() const { return m_held; }
    // The program ends, leaving its lock file behind as a killed one does.
    void exit()
    {
        if (m_pid <= 0)
            return;
        ::close(m_quit);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    QString m_lock;
    pid_t m_pid = -1;
    int m_quit = -1;
    bool m_held = false;
};

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

    void cleanup()
    {
        m_dir.reset();
    }

    void openCloseReopen()
    {
        PseudoTerminal device;
        MSComm comm;
        QCOMPARE(comm.portOpen(), false);
        openOn(comm, device, 3);
        QCOMPARE(comm.commPort(), std::int16_t(3));
        QCOMPARE(comm.settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(comm.devicePath(), device.slavePath());

        comm.setPortOpen(false);
        QCOMPARE(comm.portOpen(), false);
        QCOMPARE(comm.devicePath(), QString());
        comm.setPortOpen(false); // closing a closed port is harmless

        comm.setPortOpen(true);
        QVERIFY(comm.portOpen());
        Received r;
        listen(comm, r);
        QVERIFY(device.writeAll("again"));
        QTRY_COMPARE(r.bytes, QByteArray("again"));

        // Closing first hands over what already reached the port.
        r.hold = true;
        QVERIFY(device.writeAll("late"));
        QTRY_COMPARE(comm.inBufferCount(), qint64(4));
        r.hold = false;
        comm.setPortOpen(false);
        QCOMPARE(r.bytes, QByteArray("againlate"));
    }

    void bytesArriveExactly_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("a text line") << QByteArray("Temp=21.5\r\n");
        QTest::newRow("NUL alone") << QByteArray(1, '\0');
    }
    void bytesArriveExactly()
    {
        QFETCH(QByteArray, data);
        PseudoTerminal device;
        MSComm comm;
        Received r;
        listen(comm, r);
        openOn(comm, device, 1);
        QVERIFY(device.writeAll(data));
        QTRY_COMPARE(r.bytes, data);
        QVERIFY(!r.readSizes.contains(0)); // no event without bytes
        QVERIFY(std::all_of(r.events.begin(), r.events.end(), [](int e) { return e == 2; }));
        // Receive only: not a byte went the other way.
        QCOMPARE(device.readAvailable(), QByteArray());
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
        QVERIFY(r.readSizes.isEmpty());
        const int heldEvents = int(r.events.size());
        QVERIFY(heldEvents > 0);

        r.hold = false;
        QVERIFY(device.writeAll("!"));
        QTRY_COMPARE(r.bytes.size(), data.size() + 1);
        QVERIFY(r.bytes == data + "!");
        QCOMPARE(r.readSizes, (QList<int>{32767, 32767, 32767, 1700}));
        QCOMPARE(comm.inBufferCount(), qint64(0));
        // The remainder waits for no new byte: nothing more to announce.
        QTest::qWait(50);
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
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }, &description),
                 ErrorNumber::InvalidPortNumber);
        QCOMPARE(description, QStringLiteral("Invalid port number"));
        QVERIFY(!comm.portOpen());

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
        QVERIFY(comm.portOpen());
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
        if (refusedWhenSet) {
            QCOMPARE(atSet, ErrorNumber::InvalidPropertyValue);
            QCOMPARE(description, QStringLiteral("Invalid property value"));
            QCOMPARE(comm.settings(), QStringLiteral("9600,n,8,1")); // kept
        } else {
            QCOMPARE(atSet, 0);
            QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), ErrorNumber::InvalidPropertyValue);
            QVERIFY(!comm.portOpen());
            comm.setSettings(QStringLiteral("9600,n,8,1"));
        }

        // Refused while open: the port stays open on what it had.
        comm.setPortOpen(true);
        QCOMPARE(errorOf([&] { comm.setSettings(settings); }), ErrorNumber::InvalidPropertyValue);
        QVERIFY(comm.portOpen());
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
        QTest::addColumn<bool>("lockFile");
        QTest::newRow("another program, exclusive mode") << true << false;
        QTest::newRow("another program, lock file") << false << true;
        QTest::newRow("another program, both") << true << true;
    }
    void busyIs8010()
    {
        QFETCH(bool, exclusive);
        QFETCH(bool, lockFile);
        PseudoTerminal device;
        QVERIFY(device.linkAs(m_dir->path(), 10));
        OtherProgram other(device.slavePath(), exclusive, lockFile);
        QVERIFY(other.holds());
        MSComm comm;
        comm.setCommPort(10);
        QString description;
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }, &description), ErrorNumber::PortBusy);
        QCOMPARE(description, QStringLiteral("The hardware is not available (locked by another device)"));
        QVERIFY(!comm.portOpen());

        other.exit();
        comm.setPortOpen(true);
        QVERIFY(comm.portOpen());
        comm.setPortOpen(false);
    }

    void busyInThisProgram()
    {
        PseudoTerminal device;
        auto first = std::make_unique<MSComm>();
        openOn(*first, device, 10);
        MSComm second;
        second.setCommPort(10);
        QCOMPARE(errorOf([&] { second.setPortOpen(true); }), ErrorNumber::PortBusy);
        QVERIFY(first->portOpen());
        // The holder goes away without closing first: the port is released.
        first.reset();
        second.setPortOpen(true);
        QVERIFY(second.portOpen());
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
        QCOMPARE(r.events.last(), ErrorNumber::DeviceUnavailable);

        // Gone is gone: the COM5 link leads nowhere now. (Coming back, and
        // the quiet meanwhile, are the reconnect tests' part.)
        QCOMPARE(errorOf([&] { comm.setPortOpen(true); }), ErrorNumber::DeviceUnavailable);
        QTest::qWait(200);
        QCOMPARE(r.events.count(ErrorNumber::DeviceUnavailable), qsizetype(1));
    }

    void pseudoTerminalsReportNoLineConditions()
    {
        PseudoTerminal device;
        const int fd = ::open(QFile::encodeName(device.slavePath()).constData(),
                              O_RDONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const LineSnapshot snapshot = serial_linux::readLine(fd, true, true);
        QVERIFY(!snapshot.counters);
        QVERIFY(!snapshot.modem);
        QVERIFY(!serial_linux::hungUp(fd));
        device.closeMaster();
        QVERIFY(serial_linux::hungUp(fd));
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
