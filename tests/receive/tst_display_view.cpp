#include "receive/display_buffer.h"
#include "receive/display_view.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

using namespace quillar;

namespace {

const QColor BaseColour(0, 0, 0);
const QColor TextColour(238, 238, 238);
const QColor HighlightColour(0, 0, 200);

// A shown view over its own buffer, in a fixed-pitch font and the window's
// dark colours.
struct Shown
{
    DisplayBuffer buffer;
    DisplayView view{buffer};

    explicit Shown(QSize size = {400, 200}, const QString &text = {})
    {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
        view.setFont(font);
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, BaseColour);
        palette.setColor(QPalette::Text, TextColour);
        palette.setColor(QPalette::Highlight, HighlightColour);
        palette.setColor(QPalette::HighlightedText, Qt::white);
        view.setPalette(palette);
        view.resize(size);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qFatal("the view was never shown");
        if (!text.isEmpty())
            append(text);
    }

    // An append, and the frame that shows it.
    void append(const QString &text)
    {
        buffer.append(text);
        view.flushFrame();
    }

    QWidget *area() const { return view.viewport(); }

    // A point just inside the left edge of position's cell: it maps back to position.
    QPoint pointOf(qsizetype position) const
    {
        const QRectF cell = view.cellRect(position);
        return {static_cast<int>(std::floor(cell.left())) + 1, static_cast<int>(cell.center().y())};
    }

    void drag(qsizetype from, qsizetype to)
    {
        QTest::mousePress(area(), Qt::LeftButton, {}, pointOf(from));
        QTest::mouseMove(area(), pointOf(to));
        QTest::mouseRelease(area(), Qt::LeftButton, {}, pointOf(to));
    }

    QImage image() const { return area()->grab().toImage(); }
};

bool hasInk(const QImage &image, const QRect &rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) != BaseColour)
                return true;
    return false;
}

} // namespace

class TestDisplayView : public QObject
{
    Q_OBJECT

private slots:
    void mouseSelectionMapsToModel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("within a line") << "hello world" << 0 << 5 << "hello";
        QTest::newRow("across CR LF") << "abc\r\ndef" << 1 << 7 << "bc\r\nde";
        QTest::newRow("backwards across CR LF") << "abc\r\ndef" << 7 << 1 << "bc\r\nde";
        QTest::newRow("over a whole empty line") << "ab\r\n\r\ncd" << 2 << 6 << "\r\n\r\n";
        QTest::newRow("lone CR is a character") << "ab\rcd" << 1 << 4 << "b\rc";
        QTest::newRow("line begins with the LF of a split pair") << "\nxy\r\nz" << 0 << 2 << "\nx";
        QTest::newRow("split pair to the next line") << "\nxy\r\nz" << 1 << 6 << "xy\r\nz";
        QTest::newRow("NUL and ESC") << QStringLiteral("a") + QChar(0) + QStringLiteral("\x1b[1B]") << 1 << 4
                                     << QString(QChar(0)) + QStringLiteral("\x1b[");
    }
    void mouseSelectionMapsToModel()
    {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        Shown s({400, 200}, text);

        s.drag(from, to);
        QCOMPARE(s.buffer.anchor(), from);
        QCOMPARE(s.buffer.caret(), to);
        QCOMPARE(s.buffer.selectedText(), expected);

        QVERIFY(s.view.hasFocus());
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    }

    void pointMapsToPosition_data()
    {
        QTest::addColumn<qreal>("columns"); // x in cells from the left edge of column 1
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("expected");
        // "abcd\r\nxy": positions 0-4 on line 0, 6-8 on line 1.
        QTest::newRow("left part of a cell: before it") << 2.4 << 0 << 2;
        QTest::newRow("right part of a cell: after it") << 2.6 << 0 << 3;
        QTest::newRow("left of column 1") << -0.3 << 1 << 6;
        QTest::newRow("beyond the line's end") << 30.0 << 0 << 4;
        QTest::newRow("below the last line") << 1.2 << 5 << 7;
        QTest::newRow("above the first line") << 1.2 << -1 << 1;
    }
    void pointMapsToPosition()
    {
        QFETCH(qreal, columns);
        QFETCH(int, row);
        QFETCH(int, expected);
        Shown s({400, 200}, QStringLiteral("abcd\r\nxy"));
        const QPointF origin = s.view.cellRect(0).topLeft();
        const QPointF point(origin.x() + columns * s.view.cellWidth(),
                            origin.y() + (row + 0.5) * s.view.lineHeight());
        QCOMPARE(s.view.positionAt(point), expected);
        if (row == 0 || row == 1)
            QCOMPARE(s.view.positionAt(s.view.cellRect(expected).topLeft()), expected);
    }

    void shiftClickExtendsAndDoubleClickSelectsWord()
    {
        Shown s({400, 200}, QStringLiteral("foo [1B] bar_9\r\nnext"));
        QTest::mouseClick(s.area(), Qt::LeftButton, {}, s.pointOf(1));
        QTest::mouseClick(s.area(), Qt::LeftButton, Qt::ShiftModifier, s.pointOf(17));
        QCOMPARE(s.buffer.selectedText(), QStringLiteral("oo [1B] bar_9\r\nn"));

        QTest::mouseDClick(s.area(), Qt::LeftButton, {}, s.pointOf(11));
        QCOMPARE(s.buffer.selectedText(), QStringLiteral("bar_9"));
        QTest::mouseDClick(s.area(), Qt::LeftButton, {}, s.pointOf(4));
        QCOMPARE(s.buffer.selectedText(), QStringLiteral("["));
    }

    void keysMoveAndSelect_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("expectedAnchor");
        QTest::addColumn<int>("expectedCaret");
        const QString twoLines = QStringLiteral("ab\r\ncd");
        QTest::newRow("Right steps over CR LF at once") << twoLines << 2 << 2 << QKeySequence("Right") << 4 << 4;
        QTest::newRow("Shift+Right selects the whole break") << twoLines << 2 << 2 << QKeySequence("Shift+Right") << 2 << 4;
        QTest::newRow("lone CR is one step") << QStringLiteral("a\rb") << 1 << 1 << QKeySequence("Right") << 2 << 2;
        QTest::newRow("Left collapses a selection to its start") << twoLines << 1 << 5 << QKeySequence("Left") << 1 << 1;
        const QString three = QStringLiteral("abcdef\r\nxy\r\nuvwxyz");
        QTest::newRow("Down keeps the goal column over a short line")
            << three << 4 << 4 << QKeySequence("Down, Down") << 16 << 16;
        QTest::newRow("Down on the last line goes to the end") << three << 12 << 12 << QKeySequence("Down") << 18 << 18;
        QTest::newRow("Home") << three << 9 << 9 << QKeySequence("Home") << 8 << 8;
        QTest::newRow("Ctrl+Home") << three << 9 << 9 << QKeySequence("Ctrl+Home") << 0 << 0;
        QTest::newRow("Ctrl+Shift+End") << three << 9 << 9 << QKeySequence("Ctrl+Shift+End") << 9 << 18;
        QTest::newRow("Ctrl+A selects all") << three << 3 << 3 << QKeySequence("Ctrl+A") << 0 << 18;
        QTest::newRow("Ctrl+Right goes by words") << QStringLiteral("ab [1B] cd") << 0 << 0
                                                  << QKeySequence("Ctrl+Right, Ctrl+Right") << 4 << 4;
    }
    void keysMoveAndSelect()
    {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(int, caret);
        QFETCH(QKeySequence, keys);
        QFETCH(int, expectedAnchor);
        QFETCH(int, expectedCaret);
        Shown s({400, 200}, text);
        s.view.setFocus();
        s.buffer.setSelection(anchor, caret);
        QTest::keySequence(&s.view, keys);
        QCOMPARE(s.buffer.anchor(), expectedAnchor);
        QCOMPARE(s.buffer.caret(), expectedCaret);
        QCOMPARE(s.buffer.text(), text);
    }

    void pageKeysMoveByAPageAndScroll()
    {
        Shown s({400, 200});
        for (int i = 0; i < 100; ++i)
            s.buffer.append(QStringLiteral("line %1\r\n").arg(i, 3, 10, QLatin1Char('0')));
        QTest::keyClick(&s.view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(s.view.firstVisibleLine(), 0);
        const int page = s.view.visibleLineCount();
        QTest::keyClick(&s.view, Qt::Key_PageDown);
        QCOMPARE(s.buffer.lineOfPosition(s.buffer.caret()), page);
        QCOMPARE(s.view.firstVisibleLine(), page);
        QTest::keyClick(&s.view, Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(s.buffer.caret(), 0);
        QCOMPARE(s.buffer.anchor(), s.buffer.lineStart(page));
        QCOMPARE(s.view.firstVisibleLine(), 0);
    }

    void typingChangesNothing()
    {
        Shown s({400, 200}, QStringLiteral("abc\r\ndef"));
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        QTest::mouseClick(s.area(), Qt::LeftButton, {}, s.pointOf(1));
        QTest::keyClicks(&s.view, QStringLiteral("typed x"));
        for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Tab})
            QTest::keyClick(&s.view, key);
        s.view.setFocus();
        QTest::keyClick(&s.view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&s.view, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(&s.view, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(s.buffer.text(), QStringLiteral("abc\r\ndef"));
        QCOMPARE(s.buffer.caret(), 1);
    }

    void appendClearsSelectionAndFollowsCaret()
    {
        Shown s({400, 200});
        for (int i = 0; i < 200; ++i)
            s.append(QStringLiteral("line %1\r\n").arg(i));
        QCOMPARE(s.view.verticalScrollBar()->value(), s.view.verticalScrollBar()->maximum());

        s.view.verticalScrollBar()->setValue(0);
        s.drag(1, 5);
        QCOMPARE(s.buffer.selLength(), 4);

        s.append(QString(2000, QLatin1Char('x')));
        QCOMPARE(s.buffer.selLength(), 0);
        QCOMPARE(s.buffer.caret(), s.buffer.length());
        const qsizetype last = s.buffer.lineCount() - 1;
        QVERIFY(s.view.firstVisibleLine() <= last);
        QVERIFY(last < s.view.firstVisibleLine() + s.view.visibleLineCount());
        const QRectF caret = s.view.cellRect(s.buffer.caret());
        QVERIFY(caret.left() >= 0);
        QVERIFY(caret.right() <= s.area()->width());
        QVERIFY(s.view.horizontalScrollBar()->value() > 0);

        s.append(QStringLiteral("\r\n"));
        QCOMPARE(s.view.horizontalScrollBar()->value(), 0);
    }

    void appendDuringDragLeavesNoStaleSelection()
    {
        Shown s({400, 200}, QStringLiteral("abcdef\r\nghijkl"));
        QTest::mousePress(s.area(), Qt::LeftButton, {}, s.pointOf(1));
        s.buffer.append(QString(DisplayBuffer::SafetyLimit, QLatin1Char('z'))); // cuts the front away
        QTest::mouseMove(s.area(), s.pointOf(3));
        QTest::mouseRelease(s.area(), Qt::LeftButton, {}, s.pointOf(3));
        QCOMPARE(s.buffer.selLength(), 0);
        QCOMPARE(s.buffer.caret(), s.buffer.length());
    }

    void appendsCoalesceRepaints()
    {
        Shown s({400, 200});
        QCoreApplication::processEvents();
        struct PaintCounter : QObject
        {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        s.area()->installEventFilter(&counter);
        for (int i = 0; i < 100; ++i)
            s.buffer.append(QStringLiteral("chunk %1 ").arg(i));
        QCOMPARE(counter.paints, 0);
        QTRY_VERIFY(counter.paints > 0);
        QVERIFY(counter.paints <= 2);
    }

    // What a run of appends, scrolls and selections leaves on the screen is
    // what a full paint of the same state shows.
    void incrementalPaintsMatchAFullPaint()
    {
        Shown s({420, 220});
        const auto onScreen = [&] {
            s.view.flushFrame();
            QCoreApplication::processEvents();
            const QPixmap window = s.view.screen()->grabWindow(s.view.winId());
            const QPoint origin = s.area()->mapTo(&s.view, QPoint(0, 0));
            return window.toImage().copy(QRect(origin, s.area()->size()));
        };
        const auto check = [&](const char *step) {
            const QImage shown = onScreen();
            QVERIFY2(!shown.isNull(), step);
            QVERIFY2(shown == s.image(), step);
        };
        for (int i = 0; i < 30; ++i)
            s.buffer.append(QStringLiteral("[%1]").arg(i) + (i % 3 ? QStringLiteral("abc\r\n") : QString()));
        check("lines appended");
        for (int i = 0; i < 40; ++i)
            s.buffer.append(QStringLiteral("timer mode burst %1 ").arg(i));
        check("long line grown");
        s.drag(s.buffer.lineStart(5) + 2, s.buffer.lineStart(9));
        check("selected");
        QTest::keyClick(&s.view, Qt::Key_PageUp, Qt::ShiftModifier);
        check("page up");
        s.buffer.append(QStringLiteral("\r\n"));
        check("line end after a selection");
        for (int i = 0; i < 120; ++i) { // each shown before the next comes
            s.buffer.append(QStringLiteral("%1 ").arg(i).repeated(100).left(198) + QStringLiteral("\r\n"));
            QCoreApplication::processEvents();
        }
        QVERIFY(s.buffer.length() > DisplayBuffer::TrimThreshold);
        s.buffer.append(QStringLiteral("end\r\n"));
        QCOMPARE(s.buffer.length(), DisplayBuffer::KeptLength + 5);
        check("cut by the trim rule");
        s.buffer.append(QString(DisplayBuffer::SafetyLimit, QLatin1Char('q')));
        check("cut by the safety net");
        s.buffer.clear();
        check("cleared");
    }

    void columnsNeverShift_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("prefixInked"); // every prefix character leaves a visible mark
        QTest::newRow("plain") << QStringLiteral("abcdef") << true;
        QTest::newRow("lone CR and LF") << QStringLiteral("a\rb\nc\r") << true;
        QTest::newRow("C0 controls and DEL") << QStringLiteral("\x01\x1b\t\x7f\x0c\x1f") << true;
        QTest::newRow("NUL") << QString(6, QChar(0)) << true;
        QTest::newRow("C1 controls") << QStringLiteral("\u0081\u008d\u008f\u0090\u009d\u0085") << true;
        QTest::newRow("code page symbols") << QStringLiteral("\u20ac\u2026\u2030\u0152\u2122\u00ad") << true;
        QTest::newRow("wide and missing") << QStringLiteral("\u4e00\U0001F600WMW") << true;
        QTest::newRow("blanks") << QStringLiteral(" \u00a0 \u00a0  ") << false;
    }
    void columnsNeverShift()
    {
        QFETCH(QString, prefix);
        QFETCH(bool, prefixInked);
        QCOMPARE(prefix.size(), 6);
        // Column 8 holds X on both lines, after a blank in column 7.
        Shown s({400, 200}, prefix + QStringLiteral(" X\r\n------ X\r\n"));
        const QImage image = s.image();
        const QRect odd = s.view.cellRect(7).toAlignedRect();
        const QRect plain = s.view.cellRect(s.buffer.lineStart(1) + 7).toAlignedRect();
        QCOMPARE(plain.topLeft(), odd.topLeft() + QPoint(0, s.view.lineHeight()));
        QVERIFY(hasInk(image, plain));
        QCOMPARE(image.copy(odd), image.copy(plain));
        for (qsizetype i = 0; i < prefix.size() && prefixInked; ++i)
            QVERIFY2(hasInk(image, s.view.cellRect(i).toRect()), qPrintable(QString::number(i)));
    }

    void caretShownOnlyWithFocus()
    {
        auto parent = std::make_unique<QWidget>();
        auto *edit = new QLineEdit(parent.get());
        DisplayBuffer buffer;
        auto *view = new DisplayView(buffer, parent.get());
        auto *layout = new QVBoxLayout(parent.get());
        layout->addWidget(edit);
        layout->addWidget(view);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, BaseColour);
        palette.setColor(QPalette::Text, TextColour);
        view->setPalette(palette);
        parent->resize(400, 300);
        parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(parent.get()));
        edit->setFocus();
        const QRect caret = view->cellRect(0).toAlignedRect();
        QVERIFY(!hasInk(view->viewport()->grab().toImage(), caret));

        QTest::keyClick(edit, Qt::Key_Tab);
        QVERIFY(view->hasFocus());
        QVERIFY(hasInk(view->viewport()->grab().toImage(), caret));
        QTest::keyClick(view, Qt::Key_Tab);
        QVERIFY(!view->hasFocus());
    }

    void scrollRangesReachTheLastLineAndColumn_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("longest");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("fits") << 3 << 10;
        QTest::newRow("both") << 500 << 5000;
    }
    void scrollRangesReachTheLastLineAndColumn()
    {
        QFETCH(int, lines);
        QFETCH(int, longest);
        Shown s({400, 200});
        QString text;
        for (int i = 0; i < lines; ++i)
            text += QString(i == lines / 2 ? longest : 5, QLatin1Char('w')) + QStringLiteral("\r\n");
        s.append(text);
        QVERIFY(s.view.horizontalScrollBar()->isVisible());
        QVERIFY(s.view.verticalScrollBar()->isVisible());

        QScrollBar *vertical = s.view.verticalScrollBar();
        QScrollBar *horizontal = s.view.horizontalScrollBar();
        const qsizetype last = s.buffer.lineCount() - 1;
        const qsizetype longEnd = lines ? s.buffer.lineStart(lines / 2) + longest : 0;
        const auto lastLineShown = [&] { return s.view.cellRect(s.buffer.lineStart(last)).bottom() <= s.area()->height(); };
        const auto longEndShown = [&] { return s.view.cellRect(longEnd).right() <= s.area()->width(); };

        vertical->setValue(vertical->maximum());
        horizontal->setValue(horizontal->maximum());
        QVERIFY(lastLineShown());
        QVERIFY(longEndShown());
        if (vertical->maximum() > 0) { // and the range is no longer than it must be
            vertical->setValue(vertical->maximum() - 1);
            QVERIFY(!lastLineShown());
        }
        if (horizontal->maximum() > 0) {
            horizontal->setValue(horizontal->maximum() - static_cast<int>(std::ceil(s.view.cellWidth())));
            QVERIFY(!longEndShown());
        }
        QCOMPARE(vertical->maximum() > 0, lines + 1 > s.view.visibleLineCount());
        QCOMPARE(horizontal->maximum() > 0, longest > 40);
    }

    void hundredThousandCharacterLine()
    {
        Shown s({600, 200});
        const QString digits = QStringLiteral("0123456789");
        for (int i = 0; i < 100; ++i)
            s.buffer.append(digits.repeated(100));
        QCOMPARE(s.buffer.length(), 100000);
        QCOMPARE(s.buffer.lineCount(), 1);
        QCOMPARE(s.view.horizontalScrollBar()->value(), s.view.horizontalScrollBar()->maximum());

        // The newest characters are painted where the model says.
        const QImage image = s.image();
        QVERIFY(hasInk(image, s.view.cellRect(99999).toAlignedRect()));

        s.drag(99990, 99995);
        QCOMPARE(s.buffer.selectedText(), QStringLiteral("01234"));
        QTest::keyClick(&s.view, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(s.view.horizontalScrollBar()->value(), 0);
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), digits.repeated(9999));
    }

    void contextMenuCopiesAndSelectsAll()
    {
        Shown s({400, 200}, QStringLiteral("one\r\ntwo"));
        std::unique_ptr<QMenu> menu(s.view.createContextMenu(nullptr));
        QCOMPARE(menu->actions().size(), 2);
        QVERIFY(!menu->actions().at(0)->isEnabled());
        menu->actions().at(1)->trigger();
        QCOMPARE(s.buffer.selectedText(), s.buffer.text());

        menu.reset(s.view.createContextMenu(nullptr));
        QVERIFY(menu->actions().at(0)->isEnabled());
        QGuiApplication::clipboard()->clear();
        menu->actions().at(0)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("one\r\ntwo"));

        // The context menu event opens it without blocking and keeps the selection.
        QContextMenuEvent request(QContextMenuEvent::Mouse, s.pointOf(1), s.area()->mapToGlobal(s.pointOf(1)));
        QApplication::sendEvent(s.area(), &request);
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        QApplication::activePopupWidget()->close();
        QCOMPARE(s.buffer.selectedText(), s.buffer.text());
    }
};

QTEST_MAIN(TestDisplayView)
#include "tst_display_view.moc"
