// The window's rules on their own, with no window: resize, ruler, outer
// geometry and the digit filter's key reading.
#include "window/key_rules.h"
#include "window/outer_geometry.h"
#include "window/resize_rule.h"
#include "window/ruler_placement.h"
#include "window/ruler_text.h"
#include "window/strip_flow.h"
#include "window/layout_table.h"
#include "window/window_placement.h"

#include <QKeyEvent>
#include <QTest>

#include <cmath>

#include <utility>

using namespace quillar;

Q_DECLARE_METATYPE(quillar::OuterGeometry)
Q_DECLARE_METATYPE(quillar::ResizeOutcome)

class TestWindowRules : public QObject
{
    Q_OBJECT

private slots:
    void resizeRule_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("stripExtra");
        QTest::addColumn<ResizeOutcome>("expected");
        QTest::newRow("both at once") << 15000.0 << 0.0 << 0.0 << ResizeOutcome{14925, 1825, 14790, 535};
        QTest::newRow("just below the minimum height")
            << 11000.0 << 1824.9 << 0.0 << ResizeOutcome{11000, 1825, 10865, 535};
        QTest::newRow("no maximum height") << 11000.0 << 90000.0 << 0.0 << ResizeOutcome{11000, 90000, 10865, 88710};
        QTest::newRow("width 135 keeps a display") << 135.0 << 4500.0 << 0.0 << ResizeOutcome{135, 4500, 1, 3210};
        // The strip on two more rows: the display lower, its least height kept.
        QTest::newRow("strip on three rows") << 4000.0 << 2000.0 << 660.0 << ResizeOutcome{4000, 2485, 3865, 535};
    }
    void resizeRule()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(double, stripExtra);
        QFETCH(ResizeOutcome, expected);
        QCOMPARE(applyResizeRule(width, height, stripExtra), expected);
        // Stable: applied to its own result it changes nothing.
        QCOMPARE(applyResizeRule(expected.outerWidth, expected.outerHeight, stripExtra), expected);
    }

    // Every column the ruler shows reads as its number: hundreds from Label9
    // (its first character over the 100th), tens from row A (in every tenth
    // column, and in the first unless the next tenth is too near to read
    // apart), units from row B; from column 1 the design's captions, scrolled
    // sideways the columns in view, in a maximized window more of them.
    void rulerText_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QChar>("overFirst"); // row A's first character
        QTest::newRow("from column 1") << 1 << RulerColumns << QChar(u'0');
        QTest::newRow("scrolled 40 columns") << 41 << RulerColumns << QChar(u'4');
        QTest::newRow("4 blanks before the next tenth") << 45 << RulerColumns << QChar(u'4');
        QTest::newRow("3 blanks: not \"5   6\"") << 56 << RulerColumns << QChar(u' ');
        QTest::newRow("next to the next tenth: not \"78\"") << 79 << RulerColumns << QChar(u' ');
        QTest::newRow("at a tenth") << 80 << RulerColumns << QChar(u'8');
        QTest::newRow("scrolled 994 columns") << 995 << RulerColumns << QChar(u'9');
        QTest::newRow("a maximized window's 163") << 1 << 163 << QChar(u'0');
    }
    void rulerText()
    {
        QFETCH(int, first);
        QFETCH(int, columns);
        QFETCH(QChar, overFirst);
        const QString a = rulerRowA(first, columns);
        const QString b = rulerRowB(first, columns);
        const QString h = label9Caption(first, columns);
        QCOMPARE(a.size(), columns);
        QCOMPARE(b.size(), columns);
        QCOMPARE(h.size(), columns - HundredsFirstColumn + 1);
        QCOMPARE(label3Caption(first, columns), a + u' ' + b);
        QCOMPARE(a[0], overFirst);
        for (int k = 0; k < columns; ++k) {
            const int column = first + k;
            QCOMPARE(b[k], QChar(u'0' + column % 10));
            if (k > 0)
                QCOMPARE(a[k], column % 10 == 0 ? QChar(u'0' + (column / 10) % 10) : QChar(u' '));
            const QChar hundreds = k >= HundredsFirstColumn - 1 ? h[k - HundredsFirstColumn + 1] : QChar(u' ');
            QCOMPARE(hundreds,
                     k >= HundredsFirstColumn - 1 && column % 10 == 0 ? QChar(u'0' + (column / 100) % 10)
                                                                      : QChar(u' '));
        }
        if (first == 1 && columns == RulerColumns) {
            QCOMPARE(h, QStringLiteral("1         1         1"));
            QCOMPARE(a.left(10), QStringLiteral("0        1"));
        }
        QCOMPARE(rulerScroll(int(std::ceil((first - 1) * 7.8125)), 7.8125).firstColumn, first);
    }

    void rulerPlacement_data()
    {
        QTest::addColumn<double>("column1Left");
        QTest::addColumn<double>("cell");
        QTest::newRow("fractional cell") << 2.0 << 7.2246;
        QTest::newRow("wide cell beyond the design width") << 2.0 << 9.5;
        QTest::newRow("display left of the design label") << 1.0 << 8.0;
    }
    // Each label's character k stands over display column k, wholly inside
    // the label, and the labels keep their designed rows.
    void rulerPlacement()
    {
        QFETCH(double, column1Left);
        QFETCH(double, cell);
        const QRect design3(4, 20, 962, 33);
        const QRect design9(796, 5, 173, 16);
        const RulerPlacement p = quillar::rulerPlacement(design3, design9, column1Left, cell);
        const auto check = [&](const QRect &label, double firstChar, int firstColumn, int count) {
            for (int i = 0; i < count; ++i) {
                const double x = label.left() + firstChar + i * cell;
                QCOMPARE(x, column1Left + (firstColumn - 1 + i) * cell);
                QVERIFY(x >= label.left() && x + cell <= label.right() + 1 + 1e-9);
            }
        };
        check(p.label3, p.label3FirstChar, 1, RulerColumns);
        check(p.label9, p.label9FirstChar, HundredsFirstColumn, 21);
        QCOMPARE(std::pair(p.label3.top(), p.label3.height()), std::pair(design3.top(), design3.height()));
        QCOMPARE(std::pair(p.label9.top(), p.label9.height()), std::pair(design9.top(), design9.height()));
    }

    // Where the window system reports no frame, the design's is assumed: 60
    // twips at the sides and bottom, 450 (the title bar) at the top.
    void outerGeometry_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<OuterGeometry>("outer");
        QTest::addColumn<QRect>("client");
        QTest::newRow("96") << 96.0 << OuterGeometry{1500, 900, 12000, 5100} << QRect(104, 90, 792, 306);
        QTest::newRow("odd 101, fractions")
            << 101.0 << OuterGeometry{1234.5, 987.25, 14925, 1825} << QRect(91, 101, 1039, 92);
        QTest::newRow("negative position")
            << 96.0 << OuterGeometry{-3000, -600, 7777, 3333} << QRect(-196, -10, 510, 188);
        QTest::newRow("no size keeps a pixel") << 96.0 << OuterGeometry{0, 0, 0, 0} << QRect(4, 30, 1, 1);
    }
    void outerGeometry()
    {
        QFETCH(double, dpi);
        QFETCH(OuterGeometry, outer);
        QFETCH(QRect, client);
        const QMargins frame = designFrameMargins(dpi);
        QCOMPARE(clientRectFromOuter(outer, frame, dpi), client);
        // Start-up sets what the file holds and shut-down reads it back: after
        // one whole-pixel rounding nothing drifts, even through the file's
        // 32-bit floats.
        const OuterGeometry back = outerFromClient(client, frame, dpi);
        const OuterGeometry asFloat{float(back.left), float(back.top), float(back.width), float(back.height)};
        QCOMPARE(clientRectFromOuter(asFloat, frame, dpi), client);
    }

    // What reaches the port and baud boxes: digits and the control codes
    // below 10 (backspace, tab, Ctrl+C); keys that type nothing pass too.
    void digitFilter_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("passes");
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("digit 0") << int(Qt::Key_0) << "0" << 0 << true;
        QTest::newRow("digit 9") << int(Qt::Key_9) << "9" << 0 << true;
        QTest::newRow("backspace 8") << int(Qt::Key_Backspace) << "\b" << 0 << true;
        QTest::newRow("tab 9") << int(Qt::Key_Tab) << "\t" << 0 << true;
        QTest::newRow("Ctrl+C, letter text, is 3") << int(Qt::Key_C) << "c" << ctrl << true;
        QTest::newRow("line feed 10") << int(Qt::Key_J) << "\n" << 0 << false;
        QTest::newRow("colon after 9") << int(Qt::Key_Colon) << ":" << 0 << false;
        QTest::newRow("superscript two") << int(Qt::Key_twosuperior) << QString(QChar(0xb2)) << 0 << false;
        QTest::newRow("Delete types nothing") << int(Qt::Key_Delete) << "\x7f" << 0 << true;
        QTest::newRow("arrow types nothing") << int(Qt::Key_Left) << "" << 0 << true;
    }
    void digitFilter()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(bool, passes);
        const auto code = keyAsciiOf(QKeyEvent(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text));
        QCOMPARE(!code || digitFilterPasses(*code), passes);
    }

    // A window wholly off every screen goes to the primary screen's top left
    // corner with its size; the primary here is the right-hand screen.
    void keepOnScreens_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("on the other screen") << QRect(100, 100, 700, 300) << QRect(100, 100, 700, 300);
        QTest::newRow("partly on a screen") << QRect(-600, -200, 700, 300) << QRect(-600, -200, 700, 300);
        QTest::newRow("right of every screen") << QRect(3300, 200, 700, 300) << QRect(1280, 0, 700, 300);
        QTest::newRow("in the gap below the narrow screen") << QRect(100, 900, 100, 100) << QRect(1280, 0, 100, 100);
        QTest::newRow("no size, off screen") << QRect(9000, 9000, 0, 0) << QRect(1280, 0, 0, 0);
        QTest::newRow("no size, on a screen") << QRect(300, 200, 0, 0) << QRect(300, 200, 0, 0);
    }
    void keepOnScreens()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, expected);
        const QRect primary(1280, 0, 1920, 1080);
        QCOMPARE(keptOnScreens(window, {QRect(0, 0, 1280, 800), primary}, primary), expected);
        QCOMPARE(keptOnScreens(window, {}, primary), window);
    }

    // A window larger than the screen's free area (here below a 30-pixel
    // panel) takes its size, from its edge; a smaller one stays where it is.
    void fitToScreen_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("fits") << QRect(700, 400, 500, 300) << QRect(700, 400, 500, 300);
        QTest::newRow("partly off, as the user left it") << QRect(1000, 600, 500, 300) << QRect(1000, 600, 500, 300);
        QTest::newRow("wider, at a scale of two") << QRect(100, 60, 1462, 666) << QRect(0, 60, 1280, 666);
        QTest::newRow("taller") << QRect(100, 60, 800, 900) << QRect(100, 30, 800, 770);
    }
    void fitToScreen()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, expected);
        QCOMPARE(fittedToScreen(window, QRect(0, 30, 1280, 770)), expected);
    }

    // The top strip as wide as designed stays as designed; narrower, its
    // groups wrap: in order, wholly inside, a row lower each time, the ruler
    // and display lower by the rows added.
    void stripWraps_data()
    {
        QTest::addColumn<double>("clientWidth");
        QTest::addColumn<int>("rows");
        QTest::newRow("the design's width") << 10845.0 << 1;
        QTest::newRow("a twip less: Help wraps") << 10844.0 << 2;
        QTest::newRow("at a scale of two on 1280 pixels") << 9570.0 << 2;
        QTest::newRow("the narrowest") << narrowestStrip() << 6;
        QTest::newRow("narrower than that") << 1000.0 << 8;
    }
    void stripWraps()
    {
        QFETCH(double, clientWidth);
        QFETCH(int, rows);
        const StripLayout strip = stripLayout(clientWidth);
        QCOMPARE(strip.extraHeight, (rows - 1) * StripFlow::RowPitch);
        QCOMPARE(strip.moves.size(), 18u);
        const ControlLayout *before = nullptr;
        double right = 0, dy = 0;
        for (const StripMove &move : strip.moves) {
            const ControlLayout &c = controlLayout(move.name);
            const double left = c.left + move.dx;
            if (rows == 1)
                QCOMPARE(std::pair(move.dx, move.dy), std::pair(0.0, 0.0));
            if (move.dy > dy) { // a new row, from its start
                QCOMPARE(move.dy, dy + StripFlow::RowPitch);
                QCOMPARE(left, StripFlow::RowLeft);
                dy = move.dy;
            } else if (before) { // beside the one before as designed
                QCOMPARE(left - right, double(c.left - before->left - before->width));
            }
            QCOMPARE(move.dy, dy);
            QVERIFY2(left + c.width <= std::max(clientWidth, narrowestStrip()), qPrintable(move.name));
            right = left + c.width;
            before = &c;
        }
    }
};

QTEST_GUILESS_MAIN(TestWindowRules)
#include "tst_window_rules.moc"
