#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/file_errors.h"
#include "platform/numbered_error.h"
#include "platform/numeric_value.h"
#include "platform_widgets/qt_modal_ui.h"
#include "platform/rounding.h"
#include "platform/twips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace quillar;

namespace {
constexpr int NoFit = -99999, I32Max = INT32_MAX, I32Min = INT32_MIN;
} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    // The number dialect's corners; the fuzz target holds the rest.
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("zeros after the point") << "0.05" << 0.05;
        QTest::newRow("leading point, zeros") << "-.007" << -0.007;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("comma is no decimal point") << "1,5" << 1.0;
        QTest::newRow("exponent e-2") << "5e-2" << 0.05;
        QTest::newRow("blanks, tabs and LF anywhere") << "\t- 1\n2\t.\n5 e 1" << -125.0;
        QTest::newRow("CR ends the number") << "1\r2" << 1.0;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QTEST(NumericValue(text), "expected");
    }

    // Halves to even; the 16-bit range fails outside, the clamped 32-bit holds.
    void rounding_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("even");
        QTest::addColumn<int>("int16"); // NoFit: does not fit
        QTest::addColumn<int>("clamped32");
        QTest::newRow("2.5 down to 2") << 2.5 << 2.0 << 2 << 2;
        QTest::newRow("3.5 up to 4") << 3.5 << 4.0 << 4 << 4;
        QTest::newRow("to even 32768: no fit") << 32767.5 << 32768.0 << NoFit << 32768;
        QTest::newRow("-32768.5 to even -32768 fits") << -32768.5 << -32768.0 << -32768 << -32768;
        QTest::newRow("to even 2^31: past 32 bits") << 2147483647.5 << 2147483648.0 << NoFit << I32Max;
        QTest::newRow("far below 32 bits") << -1e300 << -1e300 << NoFit << I32Min;
        QTest::newRow("NaN") << qQNaN() << qQNaN() << NoFit << 0;
    }
    void rounding()
    {
        QFETCH(double, value);
        QFETCH(double, even);
        QFETCH(int, int16);
        QFETCH(int, clamped32);
        QCOMPARE(roundHalfEven(value), even);
        QCOMPARE(roundToInt16(value) ? int(*roundToInt16(value)) : NoFit, int16);
        QCOMPARE(roundToInt32Clamped(value), clamped32);
    }

    void twips()
    {
        QCOMPARE(twipsToPixels(22.5, 96), 2); // 1.5 pixels, rounded as everywhere
        QCOMPARE(twipsToPixels(-120, 96), -8);
        QCOMPARE(pixelsToTwips(15, 144), 150.0);
        // Boxes that touch in twips, between two pixels, still touch.
        const QRect a = twipsRectToPixels(440, 0, 275, 285, 96);
        QCOMPARE(a.x() + a.width(), twipsRectToPixels(715, 0, 100, 285, 96).x());
    }

    // Windows-1252, unassigned bytes as C1 controls (every byte's round trip: see capture).
    void codepage()
    {
        QCOMPARE(decodeBytes("\x80\x81\x8D\x92\x9F\xE9"), QString::fromUtf16(u"\u20AC\u0081\u008D\u2019\u0178\u00E9"));
        QCOMPARE(encodeText(QString::fromUtf16(u"\u20AC\u0081a\u03A9")),
                 QByteArray("\x80\x81"
                            "a?"));
    }

    void saveFilters()
    {
        QCOMPARE(QtModalUi::nameFilters(QStringLiteral("File di testo (*.txt)|*.txt|Tutti i file|*.*")),
                 QStringList({QStringLiteral("File di testo (*.txt) (*.txt)"), QStringLiteral("Tutti i file (*)")}));
    }

    // A full disk and a full quota are both "Disco pieno" to the user; other
    // write failures say what they can about the file, in the window's
    // Italian whatever the system's language.
    void writeFailures_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        const QString temp = QDir::tempPath() + QStringLiteral("/quillar-any.txt");
        QTest::newRow("disk full") << int(WritePhase::Write) << ENOSPC << temp << int(ErrorNumber::DiskFull)
                                   << "Disco pieno";
        QTest::newRow("quota full") << int(WritePhase::Write) << EDQUOT << temp << int(ErrorNumber::DiskFull)
                                    << "Disco pieno";
        QTest::newRow("quota full at open")
            << int(WritePhase::Open) << EDQUOT << temp << int(ErrorNumber::DiskFull) << "Disco pieno";
        QTest::newRow("no folder") << int(WritePhase::Open) << ENOENT << "/nonexistent-quillar/a.txt"
                                   << int(ErrorNumber::PathNotFound) << "Impossibile trovare il percorso";
        QTest::newRow("write fails") << int(WritePhase::Write) << EIO << temp << int(ErrorNumber::DeviceIoError)
                                     << "Errore di I/O della periferica";
        QTest::newRow("the system's reason") << int(WritePhase::Open) << ETXTBSY << temp
                                             << int(ErrorNumber::PathFileAccessError) << "File di testo occupato";
        QTest::newRow("a reason named by its symbol")
            << int(WritePhase::Open) << EHWPOISON << temp << int(ErrorNumber::PathFileAccessError)
            << "Errore di sistema EHWPOISON (133)";
    }
    void writeFailures()
    {
        QFETCH(int, phase);
        QFETCH(int, error);
        QFETCH(QString, file);
        const NumberedError failure = writeFailure(file, WritePhase(phase), error, QStringLiteral("the system's own"));
        QTEST(failure.number(), "number");
        QTEST(failure.description(), "description");
    }

    // Fires once, never early; a restart moves the deadline; stopped, silent.
    void steadyClockTimer()
    {
        ClockTimer timer;
        QSignalSpy fired(&timer, &ClockTimer::timeout);
        QElapsedTimer elapsed;
        elapsed.start();
        timer.start(std::chrono::milliseconds(500));
        timer.start(std::chrono::milliseconds(30));
        QTRY_COMPARE(fired.count(), 1);
        QVERIFY(elapsed.elapsed() >= 30);
        QVERIFY(!timer.isActive());
        timer.start(std::chrono::milliseconds(0));
        timer.stop();
        timer.start(std::chrono::milliseconds(10));
        QTRY_COMPARE(fired.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
