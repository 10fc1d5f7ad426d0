#include "platform/codepage.h"
#include "platform/guarded.h"
#include "platform/numbered_error.h"
#include "platform/qt_modal_ui.h"
#include "platform/rounding.h"
#include "platform/twips.h"

#include <QTest>

#include <limits>

using namespace quillar;

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void halfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("2.5 goes down to even") << 2.5 << 2.0;
        QTest::newRow("3.5 goes up to even") << 3.5 << 4.0;
        QTest::newRow("-2.5 goes to -2") << -2.5 << -2.0;
        QTest::newRow("-3.5 goes to -4") << -3.5 << -4.0;
        QTest::newRow("0.5 goes to 0") << 0.5 << 0.0;
        QTest::newRow("just above half") << 2.5000001 << 3.0;
        QTest::newRow("just below half") << 2.4999999 << 2.0;
    }
    void halfEven()
    {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(roundHalfEven(value), expected);
    }

    void int16Range_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("expected");
        QTest::newRow("max") << 32767.0 << true << 32767;
        QTest::newRow("max + 0.5 rounds to even 32768") << 32767.5 << false << 0;
        QTest::newRow("min") << -32768.0 << true << -32768;
        QTest::newRow("min - 0.5 rounds to even -32768") << -32768.5 << true << -32768;
        QTest::newRow("below min") << -32769.0 << false << 0;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << false << 0;
    }
    void int16Range()
    {
        QFETCH(double, value);
        QFETCH(bool, fits);
        QFETCH(int, expected);
        const auto r = roundToInt16(value);
        QCOMPARE(r.has_value(), fits);
        if (fits)
            QCOMPARE(int(*r), expected);
    }

    void int32Clamped()
    {
        QCOMPARE(roundToInt32Clamped(1e300), std::numeric_limits<std::int32_t>::max());
        QCOMPARE(roundToInt32Clamped(-1e300), std::numeric_limits<std::int32_t>::min());
        QCOMPARE(roundToInt32Clamped(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int32_t>::max());
        QCOMPARE(roundToInt32Clamped(std::numeric_limits<double>::quiet_NaN()), 0);
        QCOMPARE(roundToInt32Clamped(150.5), 150);
        QVERIFY(!roundToInt32(2147483647.5).has_value());
    }

    void twips_data()
    {
        QTest::addColumn<double>("twips");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("15 twips a pixel at 96") << 15.0 << 96.0 << 1;
        QTest::newRow("design width at 96") << 14880.0 << 96.0 << 992;
        QTest::newRow("7.5 twips is half a pixel, to even") << 7.5 << 96.0 << 0;
        QTest::newRow("22.5 twips is 1.5 pixels, to even") << 22.5 << 96.0 << 2;
        QTest::newRow("144 dpi") << 1440.0 << 144.0 << 144;
        QTest::newRow("negative") << -120.0 << 96.0 << -8;
    }
    void twips()
    {
        QFETCH(double, twips);
        QFETCH(double, dpi);
        QFETCH(int, pixels);
        QCOMPARE(twipsToPixels(twips, dpi), pixels);
        QCOMPARE(pixelsToTwips(twipsToPixels(pixelsToTwips(pixels, dpi), dpi), dpi), pixelsToTwips(pixels, dpi));
    }

    void twipsRectKeepsNeighboursTouching()
    {
        // Two boxes that touch in twips at a position that is not a whole pixel.
        const QRect a = twipsRectToPixels(440, 0, 275, 285, 96);
        const QRect b = twipsRectToPixels(715, 0, 100, 285, 96);
        QCOMPARE(a.x() + a.width(), b.x());
    }

    void codepageRoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = decodeBytes(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(encodeText(text), all);
        QSet<QChar> distinct(text.begin(), text.end());
        QCOMPARE(distinct.size(), 256);
    }

    void codepageKnownCharacters_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("unassigned 81") << 0x81 << 0x81;
        QTest::newRow("unassigned 8D") << 0x8D << 0x8D;
        QTest::newRow("unassigned 9D") << 0x9D << 0x9D;
        QTest::newRow("right single quote") << 0x92 << 0x2019;
        QTest::newRow("Y diaeresis") << 0x9F << 0x178;
        QTest::newRow("e acute") << 0xE9 << 0xE9;
    }
    void codepageKnownCharacters()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        QCOMPARE(int(byteToChar(static_cast<std::uint8_t>(byte)).unicode()), unicode);
    }

    void unmappableCharacterBecomesQuestionMark()
    {
        QCOMPARE(encodeText(QStringLiteral("a\u03A9b")), QByteArray("a?b"));
    }

    void guardedSwallowsAndCarriesOn()
    {
        bool after = false;
        guarded("test", [] { throw NumberedError(68, QStringLiteral("Device unavailable")); });
        guarded("test", [] { throw 42; });
        guarded("test", [&] { after = true; });
        QVERIFY(after);
    }

    void saveFilterDescriptions()
    {
        const QStringList filters = QtModalUi::nameFilters(QStringLiteral("File di testo (*.txt)|*.txt|Tutti i file|*.*"));
        QCOMPARE(filters, QStringList({QStringLiteral("File di testo (*.txt) (*.txt)"), QStringLiteral("Tutti i file (*)")}));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
