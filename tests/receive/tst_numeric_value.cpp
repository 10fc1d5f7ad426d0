#include "receive/numeric_value.h"

#include <QTest>

#include <limits>

using namespace quillar;

class TestNumericValue : public QObject
{
    Q_OBJECT

private slots:
    void forms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        const double big = std::numeric_limits<double>::max();

        QTest::newRow("plain") << "150" << 150.0;
        QTest::newRow("signs") << "-42" << -42.0;
        QTest::newRow("fraction") << "31.5" << 31.5;
        QTest::newRow("leading period") << ".25" << 0.25;
        QTest::newRow("second period stops") << "1.2.3" << 1.2;
        QTest::newRow("comma is no decimal point") << "1,5" << 1.0;
        QTest::newRow("exponent E3") << "2E3" << 2000.0;
        QTest::newRow("exponent e-2") << "5e-2" << 0.05;
        QTest::newRow("e and sign only") << "1e+" << 1.0;
        QTest::newRow("blanks inside") << "1 2 3" << 123.0;
        QTest::newRow("tabs and LF anywhere") << "\t-\n1\t.\n5 e 1" << -15.0;
        QTest::newRow("CR ends the number") << "1\r2" << 1.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letter first") << "abc1" << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("non-ASCII digit stops") << QString::fromUtf16(u"1\uFF12") << 1.0;
        QTest::newRow("huge exponent saturates") << "1e400" << big;
        QTest::newRow("huge negative saturates") << "-9e99999999999999999999" << -big;
        QTest::newRow("tiny goes to 0") << "1e-400" << 0.0;
        QTest::newRow("many digits") << QString(5000, QLatin1Char('0')) + "12.5" << 12.5;
    }
    void forms()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(NumericValue(text), expected);
    }
};

QTEST_APPLESS_MAIN(TestNumericValue)
#include "tst_numeric_value.moc"
