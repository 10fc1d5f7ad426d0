// The serial control end to end, on pseudo-terminals linked as COM<N>.
#include "port/mscomm.h"
#include "port/port_device.h"
#include "platform/frame_clock.h"
#include "port/serial_device.h"
#include "support/fake_serial_driver.h"
#include "support/manual_clock.h"
#include "support/pseudo_terminal.h"
#include "support/real_faults.h"
#include "support/test_fixtures.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTest>

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <thread>
#include <utility>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SANITIZED_BY_CLANG
#endif
#endif

using namespace quillar;
using namespace std::chrono_literals;
using quillar::test::FakeSerialDriver;
using quillar::test::PseudoTerminal;
using Watch = SerialDevice::ModemWatch;
Q_DECLARE_METATYPE(quillar::SerialDevice::ModemWatch)

using quillar::test::errorOf;

// A pseudo-terminal's driver that, the first time the device is claimed,
// lowers the process's limit of open files to the descriptors it holds then.
class LimitAfterClaim final : public FakeSerialDriver
{
public:
    LimitAfterClaim() : FakeSerialDriver({}) { (void)::getrlimit(RLIMIT_NOFILE, &m_saved); }
    ~LimitAfterClaim() override { restore(); }
    LimitAfterClaim(const LimitAfterClaim &) = delete;
    LimitAfterClaim &operator=(const LimitAfterClaim &) = delete;

    int setExclusive(int fd, bool exclusive) override
    {
        const int result = FakeSerialDriver::setExclusive(fd, exclusive);
        if (exclusive && !std::exchange(m_lowered, true)) {
            const int lowestFree = ::dup(fd);
            ::close(lowestFree);
            rlimit limit = m_saved;
            limit.rlim_cur = rlim_t(lowestFree);
            (void)::setrlimit(RLIMIT_NOFILE, &limit);
        }
        return result;
    }
    void restore() { (void)::setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved{};
    bool m_lowered = false;
};

// A UART's driver whose waiting thread is slow to enter its wait: a close
// that comes meanwhile finds it between its last look and the wait.
class LateToWait final : public FakeSerialDriver
{
public:
    LateToWait() : FakeSerialDriver({}) { }
    int waitModemChange(int fd) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return FakeSerialDriver::waitModemChange(fd);
    }
};

class TestMSComm : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::TemporaryWorkingDir> m_dir;
    PseudoTerminal m_device;
    MSComm m_comm;
    std::unique_ptr<FakeSerialDriver> m_fake;
    // Each read the handler took, and every byte; while m_hold it reads nothing.
    QList<int> m_readSizes;
    QByteArray m_bytes;
    bool m_hold = false;
    test::ManualClock m_clock; // outlives every port that reads on it

    [[nodiscard]] bool openAs(int number, const QString &settings = QStringLiteral("9600,n,8,1"))
    {
        if (!m_device.linkAs(m_dir->path(), number))
            return false;
        m_comm.setCommPort(std::int16_t(number));
        m_comm.setSettings(settings);
        m_comm.setPortOpen(true);
        return m_comm.portOpen();
    }

    // Later openings go through a driver that plays a UART's calls.
    FakeSerialDriver &useFakeDriver(FakeSerialDriver::Supports supports)
    {
        m_fake = std::make_unique<FakeSerialDriver>(supports);
        m_comm.setDeviceFactory(
            [driver = m_fake.get()](const QString &) { return std::make_unique<SerialDevice>(*driver); });
        return *m_fake;
    }
    [[nodiscard]] Watch modemWatch() const { return static_cast<const SerialDevice *>(m_comm.device())->modemWatch(); }
    // The state of this process's thread of that name (R: running or
    // runnable, S: asleep), or 0 when there is none.
    [[nodiscard]] static char threadState(const QByteArray &name)
    {
        for (const QString &task :
             QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
            if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name)
                continue;
            QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
            if (!stat.open(QIODevice::ReadOnly))
                return 0;
            const QByteArray line = stat.readAll();
            const qsizetype after = line.lastIndexOf(')'); // the name may hold blanks
            return after >= 0 && after + 2 < line.size() ? line[after + 2] : 0;
        }
        return 0;
    }

    [[nodiscard]] bool closedWithin(int milliseconds)
    {
        for (const QDeadlineTimer deadline(milliseconds); m_comm.portOpen() && !deadline.hasExpired();)
            QTest::qWait(1);
        return !m_comm.portOpen();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
        QObject::connect(&m_comm, &MSComm::dataReady, this, [this] {
            const StampedBytes chunk = m_hold ? StampedBytes() : m_comm.input();
            m_readSizes << int(chunk.bytes.size());
            m_bytes += chunk.bytes;
        });
    }
    void init()
    {
        m_dir = std::make_unique<test::TemporaryWorkingDir>();
        QVERIFY(m_dir->isValid());
        m_comm.setSettingsFolder(m_dir->path());
        m_readSizes.clear(), m_bytes.clear(), m_hold = false;
    }
    void cleanup()
    {
        m_comm.setPortOpen(false);
        m_comm.frameClock().setFrame(0ms);
        m_comm.setClock(Clock::steady());
        m_comm.setDeviceFactory(
            [](const QString &) { return std::make_unique<SerialDevice>(LinuxSerialDriver::instance()); });
        m_fake.reset();
        m_dir.reset();
    }

    // Held bytes come back at most 32767 a read, each remainder announced by
    // another event, none lost (their times: the device contract's part);
    // closing first hands over what reached the port.
    void receiveInCappedReadsAndClose()
    {
        test::ManualClock &clock = m_clock;
        m_comm.setClock(clock);
        const qint64 start = clock.msSinceEpoch();
        QVERIFY(openAs(3));
        QCOMPARE(m_comm.openedAtMs(), start);
        QCOMPARE(m_comm.devicePath(), m_device.slavePath());
        QByteArray data(100000, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char((i + i / 256) & 0xFF); // a block lost, doubled or swapped shows
        m_hold = true;
        QVERIFY(m_device.writeAll(data));
        QTRY_COMPARE(m_comm.inBufferCount(), qint64(data.size()));
        m_readSizes.clear();
        QVERIFY(m_device.write("!") == 1); // read while this thread runs no events
        for (const QDeadlineTimer deadline(10000); m_comm.inBufferCount() <= data.size() && !deadline.hasExpired();)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_hold = false;
        QTRY_COMPARE(m_bytes.size(), data.size() + 1);
        QVERIFY(m_bytes == data + "!");
        // "!" joins the last read, or follows alone when it came after that began.
        QVERIFY2(m_readSizes.mid(0, 3) == (QList<int>{32767, 32767, 32767})
                     && (m_readSizes.mid(3) == QList<int>{1700} || m_readSizes.mid(3) == (QList<int>{1699, 1})),
                 qPrintable(QDebug::toString(m_readSizes)));

        m_hold = true;
        QVERIFY(m_device.writeAll("late"));
        QTRY_COMPARE(m_comm.inBufferCount(), qint64(4));
        m_hold = false;
        m_comm.setPortOpen(false);
        QVERIFY(m_bytes.endsWith("!late"));
        QCOMPARE(m_comm.devicePath(), QString());
        m_comm.setPortOpen(false); // closing a closed port is harmless
    }

    void errorsBeforeOpening()
    {
        QCOMPARE(errorOf([&] { m_comm.setCommPort(0); }), QStringLiteral("8002 I numeri di porta partono da 1"));
        QCOMPARE(errorOf([&] { m_comm.setSettings("0,n,8,1"); }), QStringLiteral("380 Valore di proprietà non valido"));
        // No COM99 here, and a kernel of the test's with two serial ports.
        const QDir kernel(m_dir->path() + QStringLiteral("/kernel"));
        QVERIFY(kernel.mkpath("tty/ttyS0/device") && kernel.mkpath("tty/ttyUSB0/device"));
        m_comm.setSystemSources({kernel.filePath("dev"), kernel.filePath("tty"), {}, {}});
        m_comm.setCommPort(99);
        QCOMPARE(
            errorOf([&] { m_comm.setPortOpen(true); }),
            QStringLiteral("8002 Non c'è COM99 in %1, e il sistema elenca solo 2 porte seriali (quillar --list-ports)")
                .arg(m_dir->path()));
        // While open, neither the number nor a second open.
        QVERIFY(openAs(6));
        QCOMPARE(errorOf([&] { m_comm.setCommPort(2); }), QStringLiteral("8005 Porta già aperta"));
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }), QStringLiteral("8005 Porta già aperta"));
        QCOMPARE(m_comm.commPort(), std::int16_t(6));
    }

    // Settings the driver does not take, found by reading back (a 16550A keeps
    // its old rate silently): refused on opening, and on the open port.
    void refusedByTheDriver_data()
    {
        QTest::addColumn<int>("fastest"); // 0: the pseudo-terminal's own driver
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("taken");
        QTest::newRow("parity") << 0 << "9600,e,7,1"
                                << "12000000,N,8,2"; // any rate the driver takes
        QTest::newRow("a rate beyond a 16550A") << 115200 << "230400,n,8,1"
                                                << "115200,n,8,1";
    }
    void refusedByTheDriver()
    {
        QFETCH(int, fastest);
        QFETCH(QString, refused);
        QFETCH(QString, taken);
        if (fastest)
            useFakeDriver({}).setFastestRate(fastest);
        const QString kept = errorOf([&] { (void)openAs(9, refused); });
        QVERIFY2(kept.startsWith(QStringLiteral("380 Il driver di COM9 (%1) non accetta %2 (ha mantenuto ")
                                     .arg(m_device.slavePath(), refused)),
                 qPrintable(kept));
        QVERIFY(!m_comm.portOpen());
        QVERIFY(openAs(9, "4800,n,8,1"));
        QCOMPARE(errorOf([&] { m_comm.setSettings(refused); }), QStringLiteral("380 Valore di proprietà non valido"));
        QCOMPARE(m_comm.settings(), QStringLiteral("4800,n,8,1"));
        QVERIFY(m_device.writeAll("still"));
        QTRY_COMPARE(m_bytes, QByteArray("still"));
        m_comm.setSettings(taken); // applied at once
        QCOMPARE(m_comm.settings(), taken.toLower());
    }

    // 8010 while another holds the port, naming the holder its lock file
    // names, and open once it has gone; a killed program's lock, its number
    // reused or gone, holds nothing.
    void heldByAnother_data()
    {
        QTest::addColumn<bool>("exclusive");
        QTest::addColumn<QByteArray>("lock"); // %1: a live process's number; %10: that, 10 wide; %b: binary
        QTest::addColumn<QString>("error");   // %1 the port's device, %2 the number, %3 the lock file
        const QString named =
            QStringLiteral("8010 La porta COM10 (%1) è già in uso da sleep (pid %2), secondo il file di lock %3");
        QTest::newRow("exclusive mode")
            << true << QByteArray()
            << "8010 La porta COM10 (%1) è già in uso: un altro programma la tiene aperta per sé";
        QTest::newRow("lock file") << false << QByteArray("%10\n") << named;
        QTest::newRow("binary lock file") << false << QByteArray("%b") << named;
        QTest::newRow("Qt's lock file") << false << "%1\nsleep\n" + QSysInfo::machineHostName().toUtf8() + '\n'
                                        << named;
        QTest::newRow("a killed program's lock, its number reused")
            << false << "%1\nquillar\n" + QSysInfo::machineHostName().toUtf8() + '\n'
            << QString();
        QTest::newRow("a killed program's lock, its number free") << false << QByteArray("2147483000\n") << QString();
        QTest::newRow("a killed program's binary lock") << false << QByteArray("\x78\x56\x34\x12", 4) << QString();
    }
    void heldByAnother()
    {
        QFETCH(bool, exclusive);
        QFETCH(QByteArray, lock);
        QFETCH(QString, error);
        QVERIFY(m_device.linkAs(m_dir->path(), 10));
        QFile lockFile("/run/lock/LCK.." + QString(m_device.slavePath()).remove("/dev/").replace(u'/', u'_'));
        QProcess other;
        const int fd =
            exclusive ? ::open(QFile::encodeName(m_device.slavePath()).constData(), O_RDONLY | O_NOCTTY) : -1;
        if (exclusive) {
            QCOMPARE(::ioctl(fd, TIOCEXCL), 0);
        } else {
            other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
            QVERIFY(other.waitForStarted() && lockFile.open(QIODevice::WriteOnly));
            const QByteArray pid = QByteArray::number(other.processId());
            const auto binary = static_cast<std::int32_t>(other.processId());
            QVERIFY(
                lockFile.write(lock.replace("%b", QByteArray(reinterpret_cast<const char *>(&binary), sizeof binary))
                                   .replace("%10", pid.rightJustified(10))
                                   .replace("%1", pid))
                > 0);
            lockFile.close();
        }
        m_comm.setCommPort(10);
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }),
                 error.isEmpty() ? error
                                 : error.arg(m_device.slavePath()).arg(other.processId()).arg(lockFile.fileName()));
        m_comm.setPortOpen(false);
        if (exclusive)
            QVERIFY(::ioctl(fd, TIOCNXCL) == 0 && ::close(fd) == 0);
        other.kill();
        other.waitForFinished();
        m_comm.setPortOpen(true); // the lock file is its own now, removed as it closes
        QVERIFY(m_comm.portOpen());
    }

    // A terminal as the system leaves it (CR to LF, XON/XOFF, seven bits,
    // lines) gives every byte as it came once the port is open.
    void everyByteAsItCame()
    {
        const int slave = ::open(QFile::encodeName(m_device.slavePath()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(slave >= 0);
        termios cooked{};
        QCOMPARE(::tcgetattr(slave, &cooked), 0);
        cooked.c_iflag |= ICRNL | INLCR | IXON | ISTRIP | BRKINT;
        cooked.c_lflag |= ICANON | ISIG | IEXTEN;
        QCOMPARE(::tcsetattr(slave, TCSANOW, &cooked), 0);
        ::close(slave);
        QVERIFY(openAs(4));
        const QByteArray bytes("a\rb\n\x11\x13\x03\x1a\xff\x80", 10);
        QVERIFY(m_device.writeAll(bytes));
        QTRY_COMPARE(m_bytes, bytes);
    }

    // tools/fake-device names its terminal once its COM<N> link is in place.
    void fakeDeviceStreamsToItsLink()
    {
        QProcess device;
        device.setWorkingDirectory(m_dir->path());
        device.start(QStringLiteral(FAKE_DEVICE_PATH),
                     {"--port", "12", "--mode", "binary", "--count", "600", "--rate", "0"});
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

    // A hang-up throws away what the system still holds, so the reader takes
    // each arrival at once, while this thread runs no events: the hang-up comes
    // 2 ms or more after the last byte reached the terminal. A reader woken but
    // not yet given a processor is waited for; one asleep while bytes wait is not.
    void hangUpsLoseNothing()
    {
        m_comm.frameClock().setFrame(FrameClock::DisplayFrame);
        QRandomGenerator random(19);
        const auto pause = [&](int fromUs, int toUs) {
            std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(fromUs, toUs)));
        };
        for (int cycle = 0; cycle < 300; ++cycle) {
            PseudoTerminal device;
            QVERIFY(device.linkAs(m_dir->path(), 17));
            m_comm.setCommPort(17);
            m_comm.setPortOpen(true);
            m_bytes.clear();
            QByteArray sent;
            for (int bursts = random.bounded(1, 5); bursts > 0; --bursts) {
                QByteArray burst(random.bounded(1, 400), '\0');
                for (char &c : burst)
                    c = char(random.bounded(256));
                QCOMPARE(device.write(burst), qint64(burst.size()));
                sent += burst;
                pause(0, 3000);
            }
            // Asked in this order, the reader's lock is not waited for while
            // bytes wait in the system: a reader resting there would hide.
            for (const QDeadlineTimer deadline(1000); !deadline.hasExpired() && !device.inputWaiting()
                 && m_comm.device()->received() < quint64(sent.size());)
                pause(50, 100);
            pause(2000, 6000);
            for (const QDeadlineTimer deadline(2000);
                 !deadline.hasExpired() && device.inputWaiting() && threadState("quillar-reader") == 'R';)
                pause(50, 100);
            device.closeMaster();
            QVERIFY2(closedWithin(10000), qPrintable(QString("cycle %1").arg(cycle)));
            QVERIFY2(m_bytes == sent,
                     qPrintable(QString("cycle %1: %2 of %3 bytes").arg(cycle).arg(m_bytes.size()).arg(sent.size())));
        }
    }

    // Counters read with the data they come with; modem lines waited for in
    // the kernel, or looked at slowly, or not at all, as the driver allows.
    void lineConditionsAsTheDriverAllows_data()
    {
        QTest::addColumn<bool>("counters");
        QTest::addColumn<bool>("lines");
        QTest::addColumn<bool>("wait");
        QTest::addColumn<Watch>("watch");
        QTest::newRow("UART: counters, lines and waiting") << true << true << true << Watch::Waiting;
        QTest::newRow("lines, no waiting: a slow look") << false << true << false << Watch::Polling;
        QTest::newRow("nothing, as a pseudo-terminal") << false << false << false << Watch::None;
    }
    void lineConditionsAsTheDriverAllows()
    {
        QFETCH(bool, counters);
        QFETCH(bool, lines);
        QFETCH(bool, wait);
        QFETCH(Watch, watch);
        FakeSerialDriver &driver = useFakeDriver({counters, lines, wait});
        QList<int> events;
        const auto connection = connect(&m_comm, &MSComm::lineEvent, this, [&](CommEvent e) { events << int(e); });
        QVERIFY(openAs(15));
        QTRY_COMPARE(modemWatch(), watch);

        const int counterReads = driver.counterReads();
        driver.setCounters(LineCounters{0, 1, 0, 0, 0});
        QVERIFY(m_device.writeAll("x"));
        QTRY_COMPARE(m_bytes, QByteArray("x"));
        if (counters) {
            QTRY_COMPARE(events, QList<int>{1004});
            QCOMPARE(driver.counterReads(), counterReads + 1); // with the byte, not before
        }
        const int modemReads = driver.modemReads();
        driver.setModemLines(ModemLines{true, false, false, false, 1, 0, 0, 0});
        if (lines)
            QTRY_VERIFY(events.endsWith(3));
        if (wait)
            QCOMPARE(driver.modemReads(), modemReads + 1); // once, when the kernel said so
        disconnect(connection);
    }

    // Closing ends the wait in the kernel however the two threads fall.
    void closeEndsTheModemWait()
    {
        (void)useFakeDriver({});
        for (int i = 0; i < 50; ++i) {
            QVERIFY(openAs(16));
            QCOMPARE(modemWatch(), Watch::Waiting);
            m_comm.setPortOpen(false);
        }
        // A close that comes before the waiter is in its wait still ends it.
        auto late = std::make_unique<LateToWait>();
        LateToWait &driver = *late;
        m_fake = std::move(late);
        m_comm.setDeviceFactory([&driver](const QString &) { return std::make_unique<SerialDevice>(driver); });
        for (int i = 0; i < 3; ++i) {
            QVERIFY(openAs(16));
            m_comm.setPortOpen(false);
            QVERIFY(!m_comm.portOpen());
        }
    }

    // At the process's limit of open files once the device is open: Open
    // fails with the system's reason and holds nothing, rather than leaving
    // a reader that Close could not stop while the device is silent.
    void noDescriptorLeftForTheReader()
    {
#if defined(__SANITIZE_ADDRESS__) || defined(SANITIZED_BY_CLANG)
        // The sanitizers check each virtual call by probing memory through a
        // pipe, which the limit takes away: they would report the driver's
        // every call as undefined.
        QSKIP("needs descriptors for the sanitizers' own checks");
#endif
        auto driver = std::make_unique<LimitAfterClaim>();
        LimitAfterClaim &limited = *driver;
        m_fake = std::move(driver);
        m_comm.setDeviceFactory([&limited](const QString &) { return std::make_unique<SerialDevice>(limited); });
        const int held = test::openDescriptorsOf(m_device.slavePath()); // the test's own
        const QString refused = errorOf([&] { (void)openAs(19); });
        limited.restore();
        QCOMPARE(refused, QStringLiteral("8015 Troppi file aperti"));
        QVERIFY(!m_comm.portOpen());
        QCOMPARE(test::openDescriptorsOf(m_device.slavePath()), held);
        QVERIFY(openAs(19));
        QVERIFY(m_device.writeAll("free"));
        QTRY_COMPARE(m_bytes, QByteArray("free"));
    }

    // No serial port where the number leads. "name>target": a link.
    void notASerialPort_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("error"); // %1: the folder
        QTest::newRow("/dev/null") << QStringList{"COM18>/dev/null"}
                                   << "8015 COM18 porta a /dev/null, che non è una porta seriale";
        QTest::newRow("plain file") << QStringList{"file:f", "COM18>f"}
                                    << "8015 COM18 porta a %1/f, che è un file normale, non una porta seriale";
        QTest::newRow("COM18 itself a file")
            << QStringList{"file:COM18"} << "8015 %1/COM18 è un file normale, non una porta seriale";
        QTest::newRow("folder") << QStringList{"folder:d", "COM18>d"}
                                << "8015 COM18 porta a %1/d, che è una cartella, non una porta seriale";
        QTest::newRow("named pipe") << QStringList{"fifo:p", "COM18>p"}
                                    << "8015 COM18 porta a %1/p, che è una pipe con nome, non una porta seriale";
        QTest::newRow("dangling link") << QStringList{"COM18>/dev/ttyUSB99"}
                                       << "68 COM18 è un collegamento a /dev/ttyUSB99, che non esiste";
        QTest::newRow("link to a dangling link")
            << QStringList{"byid>/dev/ttyUSB99", "COM18>byid"}
            << "68 COM18 è un collegamento a %1/byid, che porta a /dev/ttyUSB99, che non esiste";
        QTest::newRow("links in a circle")
            << QStringList{"a>COM18", "COM18>a"}
            << "68 COM18 è un collegamento a %1/a, che porta a %1/COM18, che riporta in cerchio al punto di partenza";
    }
    void notASerialPort()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, error);
        const QString folder = QFileInfo(m_dir->path()).canonicalFilePath();
        const QDir dir(folder);
        for (const QString &file : files) {
            const QStringList link = file.split(u'>');
            const QStringList made = file.split(u':');
            if (link.size() == 2)
                QVERIFY(QFile::link(link[1], dir.filePath(link[0])));
            else if (made[0] == "file")
                QVERIFY(QFile(dir.filePath(made[1])).open(QIODevice::WriteOnly));
            else if (made[0] == "folder")
                QVERIFY(dir.mkdir(made[1]));
            else
                QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(made[1])).constData(), 0600), 0);
        }
        m_comm.setSettingsFolder(folder);
        m_comm.setCommPort(18);
        QCOMPARE(errorOf([&] { m_comm.setPortOpen(true); }), error.replace(QStringLiteral("%1"), folder));
        QVERIFY(!m_comm.portOpen());
    }

    // The description names the device and the way to get access.
    void permissionIs70()
    {
        QVERIFY(m_device.linkAs(m_dir->path(), 11));
        QCOMPARE(::chmod(QFile::encodeName(m_device.slavePath()).constData(), 0), 0);
        m_comm.setCommPort(11);
        const QString error = errorOf([&] { m_comm.setPortOpen(true); });
        QVERIFY2(error.startsWith("70 ") && error.contains(m_device.slavePath()) && error.contains("usermod -aG"),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
