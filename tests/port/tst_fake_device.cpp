// A smoke test of tools/fake-device: it links a pseudo-terminal as COM<N>
// and streams its bytes there, read back through the serial control.
#include "port/mscomm.h"
#include "support/test_fixtures.h"

#include <QProcess>
#include <QTest>

using namespace quillar;

class TestFakeDevice : public QObject
{
    Q_OBJECT

private slots:
    void streamsToItsComLink()
    {
        test::TemporaryWorkingDir dir;
        QVERIFY(dir.isValid());
        QProcess device;
        device.setWorkingDirectory(dir.path());
        device.start(QStringLiteral(FAKE_DEVICE_PATH), {"--port", "12", "--mode", "binary", "--count", "600", "--rate", "0"});
        // It names its terminal once the link is in place.
        QTRY_VERIFY_WITH_TIMEOUT(device.canReadLine(), 10000);
        QVERIFY(device.readLine().startsWith("fake-device: COM12"));

        MSComm comm;
        QByteArray received;
        QObject::connect(&comm, &MSComm::dataReady, &comm, [&] { received += comm.input(); });
        comm.setCommPort(12);
        comm.setPortOpen(true);
        QByteArray counting(600, '\0');
        for (int i = 0; i < counting.size(); ++i)
            counting[i] = char(i & 0xFF);
        QTRY_COMPARE(received, counting);

        device.terminate();
        QVERIFY(device.waitForFinished(10000));
        QCOMPARE(device.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFakeDevice)
#include "tst_fake_device.moc"
