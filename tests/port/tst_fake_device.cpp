// tools/fake-device driven as a user would, read through the serial control.
#include "platform/numbered_error.h"
#include "support/test_fixtures.h"
#include "port/mscomm.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace quillar;
using quillar::test::TemporaryWorkingDir;

namespace {

const QByteArray fileBytes("line one\r\n\x00\xff\x1b tail", 18);

QByteArray counting(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i & 0xFF);
    return bytes;
}

// The serial control on COM<port>, collecting what it reads and counting 68s.
struct Reader
{
    MSComm comm;
    QByteArray received;
    int gone = 0;

    explicit Reader(int port)
    {
        QObject::connect(&comm, &MSComm::dataReady, &comm, [this] { received += comm.input(); });
        QObject::connect(&comm, &MSComm::deviceLost, &comm, [this] { ++gone; });
        comm.setCommPort(std::int16_t(port));
        comm.setPortOpen(true);
    }
};

} // namespace

class TestFakeDevice : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryWorkingDir> m_dir;

    // Starts the device and waits for the line naming its terminal.
    bool start(QProcess &device, const QStringList &arguments)
    {
        device.setWorkingDirectory(m_dir->path());
        device.start(QStringLiteral(FAKE_DEVICE_PATH), arguments);
        if (!device.waitForStarted(10000))
            return false;
        while (!device.canReadLine()) {
            if (!device.waitForReadyRead(10000))
                return false;
        }
        return device.readLine().startsWith("fake-device: COM");
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<TemporaryWorkingDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        m_dir.reset();
    }

    void playsItsBytes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("standardInput");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray file = fileBytes;
        QTest::newRow("binary counts through every value")
            << QStringList{"--mode", "binary", "--count", "3000", "--rate", "0"} << QByteArray()
            << counting(3000);
        QTest::newRow("file once") << QStringList{"--mode", "file", "--file", "data.bin"}
                                   << QByteArray() << file;
        QTest::newRow("file looped up to a count")
            << QStringList{"--mode", "file", "--file", "data.bin", "--loop", "--count",
                           QString::number(file.size() * 2 + 5)}
            << QByteArray() << file + file + file.left(5);
        QTest::newRow("standard input, paced")
            << QStringList{"--mode", "stdin", "--rate", "20000"} << counting(700) << counting(700);
    }
    void playsItsBytes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, standardInput);
        QFETCH(QByteArray, expected);

        QFile data(m_dir->filePath("data.bin"));
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write(fileBytes);
        data.close();
        // A link left by a device that is gone is replaced.
        QVERIFY(QFile::link(m_dir->filePath("nothing"), m_dir->filePath("COM12")));

        QProcess device;
        QVERIFY(start(device, arguments << "--port" << "12"));
        if (!standardInput.isEmpty()) {
            device.write(standardInput);
            device.closeWriteChannel();
        }

        Reader r(12);
        QTRY_COMPARE(r.received.size(), expected.size());
        QCOMPARE(r.received, expected);
        QTest::qWait(100);
        QCOMPARE(r.received.size(), expected.size()); // the count holds

        device.terminate();
        QVERIFY(device.waitForFinished(10000));
        QCOMPARE(device.exitStatus(), QProcess::NormalExit);
        QCOMPARE(device.exitCode(), 0);
        QVERIFY(!QFileInfo(m_dir->filePath("COM12")).isSymLink());
    }

    void burstsAreFramesWithQuietBetween()
    {
        QProcess device;
        QVERIFY(start(device, {"--port", "13", "--mode", "bursts", "--burst", "40", "--pause",
                               "200", "--count", "120", "--rate", "0"}));
        Reader r(13);
        QTRY_COMPARE(r.received.size(), 120);
        for (int frame = 0; frame < 3; ++frame) {
            const QByteArray f = r.received.mid(frame * 40, 40);
            QVERIFY(f.startsWith("\x02" "FRAME " + QByteArray::number(frame + 1) + ' '));
            QCOMPARE(f.back(), '\x03');
        }
        device.terminate();
        QVERIFY(device.waitForFinished(10000));
    }

    void exitAtEndIsAVanishingDevice()
    {
        QProcess device;
        QVERIFY(start(device, {"--port", "14", "--mode", "text", "--count", "4000", "--rate", "4000",
                               "--exit-at-end"}));
        Reader r(14); // it plays for a second
        QTRY_COMPARE(r.gone, 1);
        QVERIFY(!r.comm.portOpen());
        QVERIFY(r.received.startsWith("000001 T=+"));
        QTRY_COMPARE(device.state(), QProcess::NotRunning);
        QCOMPARE(device.exitCode(), 0);
    }

    void refusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown mode") << QStringList{"--mode", "noise"};
        QTest::newRow("file mode without a file") << QStringList{"--mode", "file"};
        QTest::newRow("missing file") << QStringList{"--mode", "file", "--file", "absent.bin"};
    }
    void refusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        QProcess device;
        device.setWorkingDirectory(m_dir->path());
        device.start(QStringLiteral(FAKE_DEVICE_PATH), arguments);
        QVERIFY(device.waitForFinished(10000));
        QVERIFY(device.exitCode() != 0);
        QVERIFY(!device.readAllStandardError().isEmpty());
        QCOMPARE(QDir(m_dir->path()).entryList({"COM*"}, QDir::System | QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFakeDevice)
#include "tst_fake_device.moc"
