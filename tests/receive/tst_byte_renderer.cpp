#include "platform/codepage.h"
#include "receive/byte_renderer.h"

#include <QTest>

using namespace quillar;

class TestByteRenderer : public QObject
{
    Q_OBJECT

private slots:
    // Every byte value against the boxes' texts. "own" is the inclusive range
    // of bytes that must come out as themselves (first > last: none).
    void allBytes_data()
    {
        QTest::addColumn<QString>("lower");
        QTest::addColumn<QString>("higher");
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("breakOnLF");

        QTest::newRow("defaults") << "31" << "128" << "150" << 32 << 127 << false;
        QTest::newRow("defaults, LF mode") << "31" << "128" << "0" << 32 << 127 << true;
        QTest::newRow("bounds inverted") << "200" << "100" << "150" << 1 << 0 << false;
        QTest::newRow("higher non-numeric") << "31" << "abc" << "0" << 1 << 0 << true;
        QTest::newRow("lower empty: CR LF raw") << "" << "128" << "0" << 1 << 127 << true;
        QTest::newRow("enclosing 10 and 13") << "9" << "14" << "0" << 10 << 13 << true;
        QTest::newRow("exponent bound") << "31" << "1e2" << "150" << 32 << 99 << false;
        QTest::newRow("blank LF time breaks") << "31" << "128" << "" << 32 << 127 << true;
        QTest::newRow("0.3 does not break") << "31" << "128" << "0.3" << 32 << 127 << false;
        QTest::newRow("negative does not break") << "31" << "128" << "-5" << 32 << 127 << false;
        QTest::newRow("minus zero breaks") << "31" << "128" << "-0" << 32 << 127 << true;
    }
    void allBytes()
    {
        QFETCH(QString, lower);
        QFETCH(QString, higher);
        QFETCH(QString, lineFeedTime);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, breakOnLF);

        const ByteRenderer r = ByteRenderer::fromBoxes(lower, higher, lineFeedTime);
        QByteArray all;
        QString expectedAll;
        for (int b = 0; b < 256; ++b) {
            QString expected;
            if (b >= first && b <= last)
                expected = QString(byteToChar(std::uint8_t(b)));
            else if (b == 13)
                expected = QStringLiteral("[CR]");
            else if (b == 10)
                expected = breakOnLF ? QStringLiteral("[LF]\r\n") : QStringLiteral("[LF]");
            else
                expected = QString::asprintf("[%02X]", b);
            QCOMPARE(r.piece(std::uint8_t(b)).toString(), expected);
            all.append(char(b));
            expectedAll += expected;
        }
        // The whole read is the pieces in order, with nothing past the end.
        QCOMPARE(r.render(all), expectedAll);
        QCOMPARE(r.render(all + all), expectedAll + expectedAll);
        QCOMPARE(r.render(QByteArrayView()), QString());
    }
};

QTEST_APPLESS_MAIN(TestByteRenderer)
#include "tst_byte_renderer.moc"
