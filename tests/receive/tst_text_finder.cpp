// Find over the display's text, with no window: matching, counting in
// slices, following cuts and arrivals.
#include "receive/display_buffer.h"
#include "receive/text_finder.h"

#include <QSignalSpy>
#include <QTest>

using namespace quillar;

namespace {

// Runs the finder's slices until nothing is left, as its timer would.
void finish(TextFinder &finder, qsizetype budget = TextFinder::SliceBytes)
{
    for (int slice = 0; finder.work(budget); ++slice)
        QVERIFY2(slice < 100000, "the work never ends");
}

} // namespace

class TestTextFinder : public QObject
{
    Q_OBJECT

private slots:
    // The first match at or after the start, wrapping; the count and the
    // status the bar shows. Matches are found in the text as shown, case
    // folded in the display's code page unless asked, at every position.
    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("found"); // -1: none
        QTest::addColumn<QString>("status");
        const QString escapes = QStringLiteral("[1B][32mOK[1B][0m\r\n[1B][31mERR[1B][0m<012>\r\n");
        QTest::newRow("markers, as shown") << escapes << "[1b]" << false << 0 << 0 << "1 di 4";
        QTest::newRow("wraps to the start") << escapes << "<012>" << false << 40 << 37 << "1 di 1";
        QTest::newRow("case asked for, from the middle") << escapes << "[1B]" << true << 5 << 10 << "2 di 4";
        QTest::newRow("case asked for, code page letters")
            << QStringLiteral("\u00C9t\u00E9 \u00E9T\u00C9 \u00C9t\u00E9") << "\u00C9t\u00E9" << true << 1 << 8
            << "2 di 2";
        QTest::newRow("the line break as the text shows it")
            << QStringLiteral("a[CR][LF]\r\nb") << "[cr][lf]" << false << 0 << 1 << "1 di 1";
        QTest::newRow("code page letters fold") << QStringLiteral("\u00C9t\u00E9 \u0160\u0161")
                                                << "\u00E9T\u00C9 \u0161\u0160" << false << 0 << 0 << "1 di 1";
        QTest::newRow("every position") << QStringLiteral("[00][00][00][00]") << "[00][00]" << false << 1 << 4
                                        << "2 di 3";
        QTest::newRow("a character the display never holds")
            << QStringLiteral("abc") << "\u4e00" << false << 0 << -1 << "Nessuna occorrenza";
        QTest::newRow("nothing to find") << QStringLiteral("abc") << "" << false << 0 << -1 << "";
        QTest::newRow("longer than the text")
            << QStringLiteral("ab") << "abc" << false << 0 << -1 << "Nessuna occorrenza";
    }
    void find()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, matchCase);
        QFETCH(int, from);
        QFETCH(int, found);
        DisplayBuffer display;
        display.append(text);
        TextFinder finder(display);
        finder.find(pattern, matchCase, from);
        finish(finder);
        QCOMPARE(finder.current().value_or(-1), qsizetype(found));
        QTEST(finder.status(), "status");
    }

    // Next and previous step through the matches and wrap, across the
    // stretches the text is kept in and the slices the work is done in.
    void stepsAcrossBlocksAndSlices()
    {
        DisplayBuffer display;
        display.setScrollback(1000000);
        QString text(200000, u'.');
        for (const qsizetype at : {65535, 131070, 196607}) // each across the end of a 64 KiB stretch
            text.replace(at, 3, QStringLiteral("XYZ"));
        display.append(text);
        TextFinder finder(display);
        finder.find(QStringLiteral("xyz"), false, 0);
        finish(finder, 1000);
        QList<qsizetype> forward;
        for (int i = 0; i < 4; ++i) {
            forward << finder.current().value_or(-1);
            finder.next(finder.current().value_or(0) + 1);
            finish(finder, 1000);
        }
        QCOMPARE(forward, (QList<qsizetype>{65535, 131070, 196607, 65535}));
        finder.previous(65535);
        finish(finder, 1000);
        QCOMPARE(finder.current(), std::optional<qsizetype>(196607));
        QCOMPARE(finder.status(), QStringLiteral("3 di 3"));
    }

    // A big text is counted a slice at a time: the status says the count
    // is going on until it ends.
    void countsInSlices()
    {
        DisplayBuffer display;
        display.setScrollback(1000000);
        display.append(QStringLiteral("[1B]....").repeated(50000));
        TextFinder finder(display);
        finder.find(QStringLiteral("[1b]"), false, 399992);
        QCOMPARE(finder.current(), std::optional<qsizetype>(399992));
        QVERIFY(finder.work(100000));
        QVERIFY(!finder.counted());
        QCOMPARE(finder.status(), QStringLiteral("12500+ occorrenze"));
        finish(finder, 100000);
        QCOMPARE(finder.count(), 50000);
        QCOMPARE(finder.status(), QStringLiteral("50000 di 50000"));
    }

    // Matches cut from the front go, with the current one; new text is
    // counted as it comes; Clear leaves none.
    void followsCutsAndArrivals()
    {
        DisplayBuffer display; // the default scrollback: 19999 cut to 19900
        const QString line = QStringLiteral("[1B] ") + QString(69, u'x') + QStringLiteral("[LF]\r\n"); // 80
        for (int i = 0; i < 249; ++i)
            display.append(line);
        TextFinder finder(display);
        QSignalSpy counted(&finder, &TextFinder::countChanged);
        finder.find(QStringLiteral("[1b]"), false, 0);
        finish(finder);
        QCOMPARE(finder.status(), QStringLiteral("1 di 249"));
        display.append(line); // 19920 + 80: no cut yet
        display.append(line); // 20000: cut to 19900 first, two lines go
        QCOMPARE(finder.current(), std::nullopt);
        finish(finder);
        QCOMPARE(finder.count(), 249);
        QCOMPARE(finder.status(), QStringLiteral("249 occorrenze"));
        finder.next(100);
        finish(finder);
        QCOMPARE(finder.status(), QStringLiteral("2 di 249"));
        display.append(QStringLiteral("[1"));
        finish(finder);
        QCOMPARE(finder.count(), 249);
        display.append(QStringLiteral("B]"));
        finish(finder);
        QCOMPARE(finder.count(), 250);
        QVERIFY(!counted.isEmpty());
        display.clear();
        finish(finder);
        QCOMPARE(finder.status(), QStringLiteral("Nessuna occorrenza"));
    }
};

QTEST_GUILESS_MAIN(TestTextFinder)
#include "tst_text_finder.moc"
