#include "platform/codepage.h"
#include "receive/display_buffer.h"
#include "display/display_view.h"
#include "receive/text_finder.h"
#include "support/manual_clock.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <memory>
#include <optional>

using namespace quillar;

namespace {

const QColor BaseColour(0, 0, 0);

// A shown view over its own buffer, in a fixed-pitch font on a dark ground.
struct Shown
{
    DisplayBuffer buffer;
    FrameClock frames;
    DisplayView view;

    explicit Shown(const QString &text = {}, QSize size = {400, 200}, Clock &clock = Clock::steady())
        : frames(FrameClock::DisplayFrame, clock),
          view(buffer, frames)
    {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(10);
        view.setFont(font);
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, BaseColour);
        palette.setColor(QPalette::Text, QColor(238, 238, 238));
        view.setPalette(palette);
        view.resize(size);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            qFatal("the view was never shown");
        buffer.append(text);
        view.flushFrame();
    }

    QWidget *area() const { return view.viewport(); }

    // What the screen shows, once the work and the frame pending are done,
    // is what a full paint shows.
    [[nodiscard]] bool screenIsAFullPaint()
    {
        while (view.finder().searching())
            QCoreApplication::processEvents();
        view.flushFrame();
        QCoreApplication::processEvents();
        QWidget *gutter = view.findChild<QWidget *>(QStringLiteral("timeColumn"));
        const QRect shownArea = area()->geometry().united(gutter->isVisible() ? gutter->geometry() : QRect());
        const QImage shown = view.screen()->grabWindow(view.winId()).toImage().copy(shownArea);
        return !shown.isNull() && shown == view.grab(shownArea).toImage();
    }
    QImage image() const { return area()->grab().toImage(); }

    // A point in the cell grid: "2" is just inside the left edge of position
    // 2's cell, "2.3" three tenths of a cell into it.
    QPoint pointOf(const QString &at) const
    {
        const double cells = at.toDouble(), fraction = cells - std::floor(cells);
        const QRectF cell = view.cellRect(qsizetype(cells));
        const double x = fraction > 0 ? cell.left() + fraction * view.cellWidth() : std::floor(cell.left()) + 1;
        return {int(x), int(cell.center().y())};
    }

    // One user action, as a verb and its argument (see interaction_data).
    void act(const QString &step)
    {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const auto is = [&](const char *name) { return verb == QLatin1String(name); };
        const QString arg = step.section(QLatin1Char(' '), 1);
        const QString to = arg.section(QLatin1Char(' '), -1);
        if (is("drag") || is("press"))
            QTest::mousePress(area(), Qt::LeftButton, {}, pointOf(arg.section(QLatin1Char(' '), 0, 0)));
        if (is("drag") || is("release")) {
            QTest::mouseMove(area(), pointOf(to));
            QTest::mouseRelease(area(), Qt::LeftButton, {}, pointOf(to));
        }
        if (is("click") || is("shift"))
            QTest::mouseClick(area(), Qt::LeftButton, is("shift") ? Qt::ShiftModifier : Qt::NoModifier, pointOf(arg));
        if (is("dclick"))
            QTest::mouseDClick(area(), Qt::LeftButton, {}, pointOf(arg));
        if (is("key"))
            QTest::keySequence(&view, QKeySequence(arg));
        if (is("type"))
            QTest::keyClicks(&view, arg);
        if (is("sel"))
            buffer.setSelection(arg.section(QLatin1Char(' '), 0, 0).toInt(), to.toInt());
        if (is("append")) { // and the frame that shows it
            buffer.append(QString(arg.toInt(), QLatin1Char('z')));
            view.flushFrame();
        }
        if (is("wait")) { // for find to finish
            QCoreApplication::processEvents();
            while (view.finder().searching())
                QCoreApplication::processEvents();
        }
        if (is("menu"))
            std::unique_ptr<QMenu>(view.createContextMenu(nullptr))->actions().at(arg.toInt())->trigger();
    }
};

// Whether the rectangle holds ink: of the colour given, or of any but the ground.
bool hasInk(const QImage &image, const QRect &rect, const std::optional<QColor> &colour = {})
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (colour ? image.pixelColor(x, y) == *colour : image.pixelColor(x, y) != BaseColour)
                return true;
    return false;
}

} // namespace

class TestDisplayView : public QObject
{
    Q_OBJECT

private slots:
    // Mouse and keys select in the model's positions (CR LF one step, a lone
    // CR or LF a character, a point between two cells goes to the nearer
    // edge); nothing typed or pasted changes the text; Ctrl+C copies exactly
    // the selection.
    void interaction_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("steps"); // separated by ';'
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("caret");
        const QString lines = QStringLiteral("abcdef\r\nxy\r\nuvwxyz");
        const QString words = QStringLiteral("foo [1B] bar_9\r\nnext");
        QTest::newRow("drag backwards across CR LF") << "abc\r\ndef"
                                                     << "drag 7 1" << 7 << 1;
        QTest::newRow("line begins with the LF of a split pair") << "\nxy\r\nz"
                                                                 << "drag 0 2" << 0 << 2;
        QTest::newRow("nearer cell edge") << "abcd"
                                          << "drag 0.7 2.3" << 1 << 2;
        QTest::newRow("past the line's end") << lines << "drag 2.7 6.9" << 3 << 6;
        QTest::newRow("shift-click extends") << words << "click 1;shift 17" << 1 << 17;
        QTest::newRow("double-click: a word") << words << "dclick 11" << 9 << 14;
        QTest::newRow("double-click: a bracket") << words << "dclick 4" << 4 << 5;
        QTest::newRow("Right steps over CR LF") << "ab\r\ncd"
                                                << "sel 2 2;key Right" << 4 << 4;
        QTest::newRow("Shift+Right selects the break") << "ab\r\ncd"
                                                       << "sel 2 2;key Shift+Right" << 2 << 4;
        QTest::newRow("Down keeps the goal column") << lines << "sel 4 4;key Down, Down" << 16 << 16;
        QTest::newRow("Home, Ctrl+Shift+End") << lines << "sel 9 9;key Home, Ctrl+Shift+End" << 8 << 18;
        QTest::newRow("Ctrl+Right by words") << "ab [1B] cd"
                                             << "sel 0 0;key Ctrl+Right, Ctrl+Right" << 4 << 4;
        QTest::newRow("Ctrl+A") << lines << "key Ctrl+A" << 0 << 18;
        QTest::newRow("menu: Select all") << lines << "menu 2" << 0 << 18;
        QTest::newRow("typing, pasting, cutting")
            << lines << "click 1;type typed x;key Return, Backspace, Del, Ctrl+V;key Ctrl+X, Shift+Ins" << 1 << 1;
        // A press, a click or a key puts the caret where the user wants it,
        // in a view that shows the end: appends leave it there.
        QTest::newRow("a press held while data arrives") << lines << "press 9;append 5;append 5;release 3" << 9 << 3;
        QTest::newRow("click, data, Shift+click") << lines << "click 9;append 5;append 5;shift 3" << 9 << 3;
        QTest::newRow("Up, data") << lines << "key Ctrl+End, Up;append 3" << 10 << 10;
        QTest::newRow("a caret a screen reader put") << lines << "sel 9 9;append 3" << 9 << 9;
        QTest::newRow("a click at the end follows") << lines << "click 18;append 3" << 21 << 21;
        QTest::newRow("Ctrl+End follows again") << lines << "click 9;key Ctrl+End;append 3" << 21 << 21;
        // Find selects its match; steps go from the match held, else from the caret.
        const QString found = QStringLiteral("ab xx ab xx ab");
        QTest::newRow("find opens on the selection, from the top") << found << "sel 6 8;key Ctrl+F;wait" << 0 << 2;
        QTest::newRow("F3 after the start of the match held") << "aaaa"
                                                              << "sel 0 2;key Ctrl+F;wait;key F3;wait" << 1 << 3;
        QTest::newRow("Shift+F3 wraps to the end") << found << "sel 6 8;key Ctrl+F;wait;key Shift+F3;wait" << 12 << 14;
        QTest::newRow("F3 from the caret moved") << found << "sel 6 8;key Ctrl+F;wait;sel 9 9;key F3;wait" << 12 << 14;
        QTest::newRow("a selection across lines is not the text to find")
            << QStringLiteral("ab\r\nab\r\nab") << "sel 5 9;key Ctrl+F;wait" << 5 << 9;
    }
    void interaction()
    {
        QFETCH(QString, text);
        QFETCH(QString, steps);
        QFETCH(int, anchor);
        QFETCH(int, caret);
        Shown s(text);
        s.view.setFocus();
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
        for (const QString &step : steps.split(QLatin1Char(';')))
            s.act(step);
        QCOMPARE(std::pair(s.buffer.anchor(), s.buffer.caret()), std::pair(qsizetype(anchor), qsizetype(caret)));
        if (!steps.contains(QLatin1String("append")))
            QCOMPARE(s.buffer.text(), text);
        if (anchor != caret) {
            QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), s.buffer.selectedText());
        }
    }

    // What a run of appends, scrolls, selections, finds and time columns
    // leaves on the screen is what a full paint of the same state shows: no
    // highlight, caret or mark outlives what it showed. Appends bring the end
    // into view while the view follows, and leave it where the user put it
    // while a selection is held.
    void incrementalPaintsMatchAFullPaint()
    {
        Shown s({}, {420, 220});
        QScrollBar *vertical = s.view.verticalScrollBar();
        QScrollBar *horizontal = s.view.horizontalScrollBar();
        const auto check = [&](const char *step) { QVERIFY2(s.screenIsAFullPaint(), step); };
        s.view.setFocus();
        for (int i = 0; i < 30; ++i)
            s.buffer.append(QStringLiteral("[%1]").arg(i) + (i % 3 ? QStringLiteral("abc\r\n") : QString()));
        check("lines appended");
        QCOMPARE(vertical->value(), vertical->maximum());
        for (int i = 0; i < 40; ++i)
            s.buffer.append(QStringLiteral("timer mode burst %1 ").arg(i));
        check("long line grown");
        QVERIFY(horizontal->value() > 0 && s.area()->rect().contains(s.view.cellRect(s.buffer.caret()).toRect()));
        const qsizetype last = s.buffer.lineCount() - 1;
        s.act(QStringLiteral("drag %1 %2").arg(s.buffer.lineStart(last - 3) + 2).arg(s.buffer.lineStart(last)));
        check("selected");
        QTest::keyClick(&s.view, Qt::Key_PageUp, Qt::ShiftModifier);
        check("page up");
        const std::pair held(horizontal->value(), vertical->value());
        s.buffer.append(QStringLiteral("\r\n"));
        check("line end after a selection");
        QCOMPARE(std::pair(horizontal->value(), vertical->value()), held);
        s.act(QStringLiteral("click %1").arg(s.buffer.lineStart(s.view.firstVisibleLine() + 1) + 1));
        check("clicked elsewhere");
        QTest::keyClick(&s.view, Qt::Key_End, Qt::ControlModifier);
        for (int i = 0; i < 120; ++i) { // each shown before the next comes
            s.buffer.append(QStringLiteral("%1 ").arg(i).repeated(100).left(198) + QStringLiteral("\r\n"));
            QCoreApplication::processEvents();
        }
        check("cut by the trim rule");
        QCOMPARE(std::pair(horizontal->value(), vertical->value()), std::pair(0, vertical->maximum()));
        s.view.setTimeColumn(TimeColumn::SincePrevious);
        for (int i = 0; i < 5; ++i)
            s.buffer.append(QStringLiteral("timed ZZ ZZ %1\r\n").arg(i));
        check("time column");
        s.view.openFind();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1 1"));
        check("found far up, after the wrap");
        QApplication::focusWidget()->setProperty("text", QString());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zz"));
        check("found");
        // The match found is selected; the next one on its line is marked.
        const qsizetype found = s.view.finder().current().value_or(0);
        QCOMPARE(s.buffer.selectedText(), QStringLiteral("ZZ"));
        QVERIFY(hasInk(s.image(), s.view.cellRect(found + 3).toAlignedRect(), QColor(150, 120, 0)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        check("find closed");
        QCOMPARE(QApplication::focusWidget(), &s.view);
        QTest::keyClick(&s.view, Qt::Key_End, Qt::ControlModifier);
        s.buffer.append(QString(s.buffer.limits().safety, QLatin1Char('q')));
        check("cut by the safety net");
        QVERIFY(hasInk(s.image(), s.view.cellRect(s.buffer.length() - 1).toAlignedRect()));
        s.buffer.clear();
        check("cleared");
    }

    // A view scrolled up keeps its lines in place while the front of the
    // text is cut away under it, one line at a time, and shows the first
    // line left once its own went; the screen shows what a full paint does.
    void placeHeldWhileTheFrontIsCut()
    {
        Shown s;
        s.buffer.setScrollback(Scrollback::Least); // 995 characters kept past 999
        const auto line = [](int i) { return QStringLiteral("line %1\r\n").arg(i, 3, 10, QLatin1Char('0')); };
        for (int i = 0; i < 100; ++i)
            s.buffer.append(line(i));
        s.view.flushFrame();
        QScrollBar *vertical = s.view.verticalScrollBar();
        vertical->setValue(3);
        const QString top = s.buffer.lineText(3);
        for (int i = 100; i < 108; ++i) {
            s.buffer.append(line(i));
            QVERIFY(s.screenIsAFullPaint());
            qsizetype still = 0; // where the top line is now, whole; else the first line
            while (still < s.buffer.lineCount() && s.buffer.lineText(still) != top)
                ++still;
            QCOMPARE(vertical->value(), still < s.buffer.lineCount() ? still : 0);
        }
        QVERIFY(s.buffer.firstLineNumber() >= 6); // the top line went
    }

    // Maiuscole/minuscole searches again as it is ticked, and holds when the
    // bar opens again.
    void findMatchesCaseWhenTicked()
    {
        Shown s(QStringLiteral("ab AB Ab ab\r\n"));
        s.view.openFind();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
        auto *status = s.view.findChild<QLabel *>(QStringLiteral("findStatus"));
        QTRY_COMPARE(status->text(), QStringLiteral("1 di 4"));
        QTest::mouseClick(s.view.findChild<QCheckBox *>(QStringLiteral("matchCase")), Qt::LeftButton);
        QTRY_COMPARE(status->text(), QStringLiteral("1 di 2"));
        QTest::keyClick(s.view.findChild<QLineEdit *>(QStringLiteral("findText")), Qt::Key_Escape);
        QVERIFY(!status->isVisible());
        s.view.openFind();
        QTRY_COMPARE(status->text(), QStringLiteral("1 di 2"));
        QCOMPARE(s.buffer.selectedText(), QStringLiteral("ab"));
    }

    // Bytes from 128 on are shown as Windows-1252 has them, and a copy gives
    // back exactly those characters, as text and as UTF-8.
    void copyGivesTheCodePageBack()
    {
        QByteArray bytes(256, '\0');
        for (int b = 0; b < 256; ++b)
            bytes[b] = char(b);
        const QString text = decodeBytes(bytes);
        Shown s(text);
        s.view.setFocus();
        QTest::keyClick(&s.view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&s.view, Qt::Key_C, Qt::ControlModifier);
        const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied);
        QCOMPARE(copied->text(), text);
        QCOMPARE(copied->data(QStringLiteral("text/plain")), text.toUtf8());
    }

    // The view paints the model's changes only in the frames its pacer gives
    // (their timing is the pacer's own test): a burst of appends within a
    // frame, one paint at its end.
    void framesPaint()
    {
        test::ManualClock clock;
        Shown s({}, {400, 200}, clock);
        int paints = 0;
        struct Count : QObject
        {
            int &paints;
            explicit Count(int &p) : paints(p) { }
            bool eventFilter(QObject *, QEvent *e) override
            {
                paints += e->type() == QEvent::Paint;
                return false;
            }
        } count(paints);
        s.area()->installEventFilter(&count);
        const auto settle = [] {
            for (int pass = 0; pass < 3; ++pass) // the frame, then its paint
                QCoreApplication::processEvents();
        };
        settle();
        paints = 0;
        for (int i = 0; i < 50; ++i)
            s.buffer.append(QStringLiteral("line %1\r\n").arg(i));
        clock.advance(std::chrono::milliseconds(DisplayView::FrameMs - 1));
        settle();
        QCOMPARE(paints, 0);
        clock.advance(std::chrono::milliseconds(1));
        settle();
        QCOMPARE(paints, 1);
    }

    // Every character takes one cell: column 8 holds X on both lines, after a
    // blank in column 7, whatever the six characters before it.
    void columnsNeverShift_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::newRow("lone CR and LF") << QStringLiteral("a\rb\nc\r");
        QTest::newRow("controls: C0, DEL, C1, NUL") << QStringLiteral("\x01\x1b\x7f\u0081\u009d") + QChar(0);
        QTest::newRow("code page, wide and missing") << QStringLiteral("\u20ac\u2122\u4e00\U0001F600W");
    }
    void columnsNeverShift()
    {
        QFETCH(QString, prefix);
        Shown s(prefix + QStringLiteral(" X\r\n------ X\r\n"));
        const QImage image = s.image();
        const QRect odd = s.view.cellRect(7).toAlignedRect();
        const QRect plain = s.view.cellRect(s.buffer.lineStart(1) + 7).toAlignedRect();
        QCOMPARE(plain.topLeft(), odd.topLeft() + QPoint(0, s.view.lineHeight()));
        QVERIFY(hasInk(image, plain));
        QCOMPARE(image.copy(odd), image.copy(plain));
        for (qsizetype i = 0; i < prefix.size(); ++i) // each leaves a mark
            QVERIFY2(hasInk(image, s.view.cellRect(i).toRect()), qPrintable(QString::number(i)));
    }
};

QTEST_MAIN(TestDisplayView)
#include "tst_display_view.moc"
