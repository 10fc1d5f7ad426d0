#include "platform/numeric_value.h"

#include <QTest>

using namespace quillar;

class TestNumericValue : public QObject
{
    Q_OBJECT

private slots:
    // The dialect's corners; the fuzz target holds every text against an
    // independent reading of the same rules.
    void forms_data()
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
    void forms()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(NumericValue(text), expected);
    }
};

QTEST_APPLESS_MAIN(TestNumericValue)
#include "tst_numeric_value.moc"
