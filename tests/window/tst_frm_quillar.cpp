// The real main window under the offscreen platform, driven by key and mouse
// events, in a scratch current directory (where Quillar.ini is read and
// written) with a pseudo-terminal linked as COM2.
#include "platform/qt_italian.h"
#include "platform/twips.h"
#include "port/mscomm.h"
#include "receive/time_column.h"
#include "settings/choices_file.h"
#include "display/display_view.h"
#include "receive/receive_path.h"
#include "settings/settings_restore.h"
#include "window/entry_box.h"
#include "window/fitted_font.h"
#include "window/highlight_dialog.h"
#include "window/layout_table.h"
#include "window/ruler_label.h"
#include "window/ruler_text.h"
#include "window/status_line.h"
#include "window/system_colours.h"
#include "window_on_device.h"

#include <QAccessible>
#include <QApplication>
#include <QAction>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTranslator>

#include <cmath>
#include <memory>

using namespace quillar;
using namespace quillar::test;

namespace {
// Counts the F1 presses that reach a widget's own handling.
class HelpKeySpy : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1;
        return false;
    }
};

} // namespace

class TestFrmQuillar : public quillar::test::WindowOnDevice
{
    Q_OBJECT

    int m_helpCalls = 0;

    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    QPushButton *toggle() const { return child<QPushButton>("Command1"); }
    QString status() const { return child<QLabel>("lblStatus")->text(); }
    static QColor colour(QLineEdit *box) { return box->palette().color(QPalette::Base); }
    void click(const char *button) { QTest::mouseClick(child(button), Qt::LeftButton); }

private slots:
    void init()
    {
        const QByteArrayView test(QTest::currentTestFunction());
        QVERIFY(startWindow(test != "startUp" && test != "timeColumnRemembered"));
        m_helpCalls = 0;
        m_window->setHelpOpener([this] { ++m_helpCalls; });
    }
    void cleanup() { stopWindow(); }

    // Every control the keyboard reaches, in order; the display has the
    // focus first.
    void tabOrder()
    {
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
        for (const char *name : {"txtCom1", "txtBaud1", "Command1", "Text4", "Text2", "Text1", "Command3", "Command2",
                                 "Command4", "Command5", "Text3"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(name));
        }
    }

    // Typed text, then Ctrl+V of "7" and a backspace: the port and baud boxes
    // take digits and control keys below 10 only, up to their lengths.
    void typing_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("afterPaste");
        QTest::newRow("port box refuses letters and signs") << "txtCom1"
                                                            << "a-.+ 1"
                                                            << "1"
                                                            << "1";
        QTest::newRow("baud box takes digits only") << "txtBaud1"
                                                    << "9x6-0.0 "
                                                    << "9600"
                                                    << "9600";
        QTest::newRow("Text1 takes anything") << "Text1"
                                              << "a-."
                                              << "a-."
                                              << "a-.7";
        QTest::newRow("Text4 takes signs and points") << "Text4"
                                                      << "-."
                                                      << "-."
                                                      << "-.7";
    }
    void typing()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(QString, afterPaste);
        QLineEdit *edit = box(qPrintable(boxName));
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), expected);
        QApplication::clipboard()->setText(QStringLiteral("7"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), afterPaste);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), afterPaste.chopped(1));
    }

    // At any DPI (ctest runs this at 144 and 192 too) each box shows as many
    // digits as it takes, and the status line its longest texts, whole.
    void textsShowWhole_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        for (const char *name : {"txtCom1", "txtBaud1", "Text4", "Text2", "Text1"}) {
            const int length = controlLayout(QString::fromLatin1(name)).maxLength;
            QTest::addRow("%s full of eights", name) << name << QString(length, u'8');
            QTest::addRow("%s full of zeros", name) << name << QString(length, u'0');
        }
        QTest::newRow("bad port") << "lblStatus"
                                  << "Numero di Porta COM17 non valido";
        QTest::newRow("bad baud rate") << "lblStatus"
                                       << "Vel. Baud Porta COM17 non valida";
        QTest::newRow("a fast port open") << "lblStatus"
                                          << "Porta COM16: 921600,n,8,1 OK";
        QTest::newRow("the console left closed") << "lblStatus"
                                                 << "Porta COM16 non aperta: è la console";
    }
    void textsShowWhole()
    {
        QFETCH(QString, control);
        QFETCH(QString, text);
        if (control == QLatin1String("lblStatus")) {
            auto *line = child<QLabel>("lblStatus");
            static_cast<StatusLine *>(line)->setStatus(text);
            QVERIFY(QFontMetricsF(line->font(), line).horizontalAdvance(text) <= line->contentsRect().width());
            QVERIFY(line->toolTip().isEmpty());
            return;
        }
        // Scrolled, the caret's way from the text's start to its end is
        // shorter than the text.
        QLineEdit *edit = box(control.toLatin1());
        edit->setText(text);
        const auto caretTravel = [edit] {
            edit->setCursorPosition(0);
            edit->repaint(); // where the line edit scrolls to show the caret
            const int start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
            edit->setCursorPosition(int(edit->text().size()));
            edit->repaint();
            return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() - start;
        };
        const double width = QFontMetricsF(edit->font(), edit).horizontalAdvance(text);
        QVERIFY2(qAbs(caretTravel() - width) <= 1,
                 qPrintable(QStringLiteral("the caret moves %1 px over %2 px").arg(caretTravel()).arg(width)));
        // The room the font is fitted to never promises more than the box
        // shows: as wide as the text needs by it, the box shows it whole.
        const QSize size = edit->size();
        edit->resize(int(std::ceil(width)) + size.width()
                         - int(std::floor(static_cast<EntryBox *>(edit)->textRoom(edit->font()))),
                     size.height());
        QCOMPARE(caretTravel(), qRound(width));
        edit->resize(size);
        // Narrowed no more than the tightest box needs: a step wider, six
        // digits no longer fit the baud box.
        if (control == QLatin1String("txtBaud1") && edit->font().stretch() < 100) {
            QFont wider = edit->font();
            wider.setStretch(wider.stretch() + 1);
            QVERIFY(textWidth(wider, widestDigits(wider, 6, edit), edit)
                    > static_cast<EntryBox *>(edit)->textRoom(wider));
        }
    }
    // A screen reader is told the selection as the display holds it, and
    // the whole text for the range to the end.
    void displayReadAsSelected()
    {
        m_window->display().append(QStringLiteral("hello world"));
        m_window->display().setSelection(6, 11);
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(child("Text3"))->textInterface();
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(QList<int>({start, end}), QList<int>({6, 11}));
        QCOMPARE(text->text(0, -1), QStringLiteral("hello world"));
    }

    // A long text is condensed no further than a readable floor, and ends
    // in an ellipsis when it still does not fit, whole in the tooltip; a
    // short one after it is in the window's own font again.
    void longStatusElided_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a remote port connecting") << "Porta COM9: connecting to rfc2217://127.0.0.1:17100";
        QTest::newRow("far too long") << QStringLiteral("Errore n.1003 su COM") + QString(60, u'7');
    }
    void longStatusElided()
    {
        QFETCH(QString, text);
        auto *line = static_cast<StatusLine *>(child<QLabel>("lblStatus"));
        line->setStatus(QStringLiteral("Comm Frame Error"));
        const QFont design = line->font();
        line->setStatus(text);
        QCOMPARE(line->text(), text);
        QVERIFY(line->font() != design);
        QVERIFY(line->font().stretch() >= QFont::Condensed); // still reads as a condensed face
        QCOMPARE(line->toolTip(),
                 textWidth(line->font(), text, line) > line->contentsRect().width() ? text : QString());
        QCOMPARE(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name), text);
        line->setStatus(QStringLiteral("Comm Frame Error")); // back in the window's own font
        QVERIFY(line->toolTip().isEmpty());
        QCOMPARE(line->font(), design);
    }

    // Enter, on the main keys or the keypad, presses a focused button as
    // Space does, once however long it is held; in an entry box it presses
    // none.
    void enterPressesFocusedButton_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("presses");
        for (const char *name : {"Command1", "Command2", "Command3", "Command4", "Command5"})
            QTest::addRow("%s, Enter", name) << name << int(Qt::Key_Return) << 1;
        QTest::newRow("keypad Enter") << "Command2" << int(Qt::Key_Enter) << 1;
        QTest::newRow("Space") << "Command3" << int(Qt::Key_Space) << 1;
        QTest::newRow("Enter in the baud box") << "txtBaud1" << int(Qt::Key_Return) << 0;
    }
    void enterPressesFocusedButton()
    {
        QFETCH(QString, focused);
        QFETCH(int, key);
        QFETCH(int, presses);
        int clicks = 0;
        for (QPushButton *button : m_window->findChildren<QPushButton *>())
            connect(button, &QPushButton::clicked, this, [&clicks] { ++clicks; });
        QWidget *target = child(focused.toLatin1());
        target->setFocus();
        const Qt::KeyboardModifiers keypad = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyPress(target, Qt::Key(key), keypad);
        QKeyEvent repeat(QEvent::KeyPress, key, keypad, QString(), true); // held
        QApplication::sendEvent(target, &repeat);
        QTest::keyRelease(target, Qt::Key(key), keypad);
        QTRY_COMPARE(clicks, presses);
    }

    void clickSelectsAll()
    {
        QLineEdit *edit = box("txtBaud1");
        const QString before = edit->text();
        // A click meant to place the caret in the middle still selects all.
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
        QTRY_COMPARE(edit->selectedText(), before);
        QTest::keyClicks(edit, QStringLiteral("48"));
        QCOMPARE(edit->text(), QStringLiteral("48"));
    }

    void helpKey_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("display, plain") << "Text3" << 0;
        QTest::newRow("port box, Shift+Ctrl+Alt")
            << "txtCom1" << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    }
    void helpKey()
    {
        QFETCH(QString, focused);
        QFETCH(int, modifiers);
        QWidget *target = child(qPrintable(focused));
        target->setFocus();
        HelpKeySpy spy;
        target->installEventFilter(&spy);
        QTest::keyClick(target, Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_helpCalls, 1);
        QCOMPARE(spy.presses, 1); // not consumed: the control still gets it
        // A held key repeats, and each repeat opens again; other keys do not.
        QTest::keyPress(target, Qt::Key_F1);
        QTest::keyPress(target, Qt::Key_F1);
        QTest::keyRelease(target, Qt::Key_F1);
        QTest::keyClick(target, Qt::Key_F2);
        QCOMPARE(m_helpCalls, 3);
        click("Command5");
        QCOMPARE(m_helpCalls, 4);
    }

    // The rule snaps a normal window's size; maximized or full-screen, the
    // display fills the window and the ruler numbers every column it shows;
    // minimized, nothing changes; back to normal, the rule applies again.
    void resizeRuleByWindowState()
    {
        m_window->setWidth(20000);
        m_window->setHeight(1000);
        const double halfPixel = 720.0 / m_window->logicalDpiX(); // within the pixel the size rounds to
        QTRY_VERIFY(qAbs(m_window->Height() - 1825) <= halfPixel);
        QTRY_VERIFY(qAbs(m_window->Width() - 14925) <= halfPixel);
        auto *display = child<DisplayView>("Text3");
        QCOMPARE(display->geometry(), twipsRectToPixels(20, 740, 14925 - 135, 1825 - 1290, m_window->logicalDpiX()));
        m_window->setWidth(11000);
        m_window->setHeight(3000);
        QTRY_COMPARE(display->width(),
                     twipsRectToPixels(20, 740, m_window->Width() - 135, 1, m_window->logicalDpiX()).width());
        const QSize normal = m_window->size();
        const QRect before = display->geometry();
        const auto *ruler = child<RulerLabel>("Label3");
        for (const Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
            m_window->setWindowState(state);
            QTRY_VERIFY(m_window->size() != normal);
            QTRY_COMPARE(display->geometry().bottomRight(), m_window->rect().bottomRight());
            QCOMPARE(display->x(), before.x());
            const int shown = int(std::ceil(display->viewport()->width() / display->cellWidth()));
            QVERIFY(ruler->rows().at(1).size() >= shown);
            QVERIFY(ruler->geometry().right() >= display->geometry().right() - display->verticalScrollBar()->width());
        }
        m_window->setWindowState(Qt::WindowMinimized);
        const QSize minimized = display->size();
        m_window->setWidth(9000);
        QCOMPARE(display->size(), minimized);
        m_window->showNormal();
        QTRY_COMPARE(m_window->size(), normal);
        QCOMPARE(display->geometry(), before);
        QCOMPARE(ruler->rows().at(1).size(), RulerColumns);
    }

    // In the narrowest window the strip's controls, wrapped onto more rows,
    // all show whole; the ruler and the display stand below them, as far
    // apart as designed, the display no less high. (Where the rows go is
    // the window rules' test; how it looks on X, the desktop tier's.)
    void narrowWindowWrapsTheStrip()
    {
        m_window->setWidth(0);
        m_window->setHeight(0);
        QTRY_COMPARE(m_window->width(), m_window->minimumWidth());
        int lowest = 0;
        for (const ControlLayout &c : windowControls()) {
            if (c.top >= 300 || c.kind == ControlKind::RulerLabel)
                continue;
            QVERIFY2(m_window->rect().contains(child(c.name)->geometry()), c.name);
            lowest = std::max(lowest, child(c.name)->geometry().bottom());
        }
        const QRect ruler = child("Label3")->geometry();
        const QRect display = child("Text3")->geometry();
        QVERIFY(ruler.top() > lowest);
        QCOMPARE(display.top() - ruler.top(), twipsToPixels(740 - 300, m_window->logicalDpiX()));
        QVERIFY(display.height() >= twipsToPixels(535, m_window->logicalDpiX()) - 1);
        QVERIFY(display.bottom() < m_window->height());
    }

    // Column k of the ruler over column k of the display, on the widgets'
    // cell grids, with the display's font: with the time column beside the
    // text, and scrolled sideways, where the ruler counts the columns in view.
    void rulerStandsOverTheDisplayColumns_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("scrolled"); // columns
        QTest::addColumn<bool>("timeColumn");
        QTest::addColumn<QString>("reads"); // Label3: tens over units; Label9: hundreds
        QTest::newRow("Label3 column 1") << "Label3" << 1 << 0 << false << "01";
        QTest::newRow("Label3 column 120") << "Label3" << 120 << 0 << false << "20";
        QTest::newRow("Label9 column 100") << "Label9" << 100 << 0 << false << "1";
        QTest::newRow("Label9 column 120") << "Label9" << 120 << 0 << false << "1";
        QTest::newRow("time column: Label3 column 1") << "Label3" << 1 << 0 << true << "01";
        QTest::newRow("scrolled 40: Label3 column 41") << "Label3" << 41 << 40 << false << "41";
        QTest::newRow("scrolled 40: Label3 column 50") << "Label3" << 50 << 40 << true << "50";
        QTest::newRow("scrolled 40: Label9 column 140") << "Label9" << 140 << 40 << false << "1";
    }
    void rulerStandsOverTheDisplayColumns()
    {
        QFETCH(QString, label);
        QFETCH(int, column);
        QFETCH(int, scrolled);
        QFETCH(bool, timeColumn);
        m_window->setWidth(11000); // the display shows some 90 columns, the ruler 120
        auto *ruler = child<RulerLabel>(qPrintable(label));
        auto *display = child<DisplayView>("Text3");
        QCOMPARE(ruler->font(), display->font());
        QVERIFY(QFontInfo(display->font()).fixedPitch());
        display->setTimeColumn(timeColumn ? TimeColumn::TimeOfDay : TimeColumn::Off);
        const QRect placed = ruler->geometry();
        const bool hundreds = label == QLatin1String("Label9");
        m_window->display().append(QString(RulerColumns + 100, u'0') + QStringLiteral("\r\n"));
        display->flushFrame();
        for (int step = 0; step < scrolled; ++step) // the bar's right arrow, a column a click
            display->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        const int index = column - 1 - scrolled - (hundreds ? HundredsFirstColumn - 1 : 0); // in the ruler's rows
        const double viewportX = display->x() + display->viewport()->x();
        QCOMPARE(ruler->x() + ruler->charLeft(index), viewportX + display->cellRect(column - 1).left());
        const QStringList rows = ruler->rows();
        QString reads;
        for (const QString &row : rows)
            reads += row.at(index);
        QTEST(reads, "reads");

        // The ruler keeps its place and rows whatever the window's size, as
        // long as the strip above it keeps to one row.
        m_window->setWidth(10965);
        m_window->setHeight(2500);
        QTRY_VERIFY(m_window->Width() < 11000);
        QCOMPARE(ruler->geometry(), placed);
        const QFontMetricsF metrics(display->font());
        QVERIFY(hundreds ? metrics.ascent() <= ruler->height() : 2 * metrics.height() <= ruler->height() + 1);
    }

    // The buttons, and the display's menu items that run their handlers,
    // leave the focus on the display.
    void commandsFocusTheDisplay_data()
    {
        QTest::addColumn<QString>("command"); // a button, or a menu item's text
        QTest::addColumn<QString>("text");
        QTest::newRow("line feed") << "Command3"
                                   << "abc(LF)\r\n";
        QTest::newRow("clear") << "Command2"
                               << "";
        QTest::newRow("menu: clear") << "&Pulisci"
                                     << "";
        QTest::newRow("menu: save, cancelled") << "Sal&va\u2026"
                                               << "abc";
    }
    void commandsFocusTheDisplay()
    {
        QFETCH(QString, command);
        m_window->display().append(QStringLiteral("abc"));
        auto *display = child<DisplayView>("Text3");
        box("txtBaud1")->setFocus();
        const std::unique_ptr<QMenu> menu(display->createContextMenu(nullptr));
        if (command.startsWith(QLatin1String("Command")))
            click(qPrintable(command));
        for (QAction *action : menu->actions())
            if (action->text() == command)
                action->trigger();
        QTEST(m_window->display().text(), "text");
        QCOMPARE(QApplication::focusWidget(), display);
        QCOMPARE(m_seam->callsOf(ScriptedUi::Kind::SaveDialog).size(),
                 std::size_t(command.startsWith(QLatin1String("Sal"))));
    }

    // The time column's choice comes back from its own file beside
    // Quillar.ini, whatever that holds; a choice in the menu is written there
    // at once, and Quillar.ini keeps its record.
    void timeColumnRemembered_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: none
        QTest::addColumn<int>("restored");
        QTest::newRow("no file") << QByteArray() << int(TimeColumn::Off);
        QTest::newRow("its choice") << QByteArray("other=1\ntime-column=since-open\n") << int(TimeColumn::SinceOpen);
        QTest::newRow("an unknown choice") << QByteArray("time-column=yesterday\n") << int(TimeColumn::Off);
        QTest::newRow("junk") << QByteArray("\xff\x00time-column\r\n=\x1b", 12) << int(TimeColumn::Off);
    }
    void timeColumnRemembered()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, restored);
        const QString choices = QString::fromLatin1(ChoicesFileName), ini = QString::fromLatin1(SettingsFileName);
        QVERIFY(file.isEmpty() || writeFile(choices, file));
        const QByteArray record("\"2\",\"9600\",0,0,11000,4500,\"31\",\"128\",\"150\"\r\n");
        QVERIFY(writeFile(ini, record));
        m_window->Form_Load();
        auto *display = child<DisplayView>("Text3");
        QCOMPARE(int(display->timeColumn()), restored);
        const std::unique_ptr<QMenu> menu(display->createContextMenu(nullptr));
        QMenu *times = menu->findChild<QMenu *>();
        QVERIFY(times);
        times->actions().at(1)->trigger();
        QCOMPARE(display->timeColumn(), TimeColumn::TimeOfDay);
        QCOMPARE(fileBytes(choices),
                 QByteArray(file.startsWith("other") ? "other=1\n" : "") + "time-column=time-of-day\n");
        QVERIFY(m_seam->callsOf(ScriptedUi::Kind::Message).empty());
        QVERIFY(m_window->close());
        QCOMPARE(fileBytes(ini), record);
    }

    // The display's choices from its menu: colours and UTF-8 show the bytes
    // read clean, and off again the exact bytes; both are remembered in the
    // choices file. A highlight rule made in its dialog marks text that came
    // before it.
    void showChoicesSwitch()
    {
        QVERIFY(writeFile(QString::fromLatin1(SettingsFileName),
                          "\"2\",\"9600\",0,0,11000,4500,\"31\",\"128\",\"0\"\r\n")); // lines end on line feeds
        m_window->Form_Load();
        QVERIFY(m_window->port().portOpen());
        QVERIFY(m_device->writeAll("\x1b[32mok\x1b[0m 23\xc2\xb0\n"));
        const QString exact = QStringLiteral("[1B][32mok[1B][0m 23[C2][B0][LF]\r\n");
        QTRY_COMPARE(m_window->display().text(), exact);
        auto *display = child<DisplayView>("Text3");
        const auto pixels = [display](QRgb near) {
            display->flushFrame();
            const QImage image = display->viewport()->grab().toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    count += std::abs(qRed(p) - qRed(near)) + std::abs(qGreen(p) - qGreen(near))
                            + std::abs(qBlue(p) - qBlue(near))
                        < 40;
                }
            return count;
        };
        const QRgb green = qRgb(0x50, 0xC8, 0x50);
        QCOMPARE(pixels(green), 0);
        const auto trigger = [display](const QString &text) {
            const std::unique_ptr<QMenu> menu(display->createContextMenu(nullptr));
            for (QAction *action : menu->actions())
                if (action->text() == text)
                    action->trigger();
        };
        trigger(QStringLiteral("Colori del te&rminale"));
        trigger(QStringLiteral("UTF-&8"));
        QCOMPARE(m_window->display().shownLine(0).text(), QStringLiteral("ok 23\u00b0[LF]"));
        QVERIFY(pixels(green) > 10);
        const QString choices = QString::fromLatin1(ChoicesFileName);
        QCOMPARE(ChoicesFile::read(choices, QStringLiteral("terminal-colours")), QStringLiteral("on"));
        QCOMPARE(ChoicesFile::read(choices, QStringLiteral("utf-8")), QStringLiteral("on"));
        // A screen reader reads what shows, learns the colours and follows
        // the caret on it; Copy gives what shows.
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(display)->textInterface();
        const QString read = QStringLiteral("ok 23\u00b0[LF]\r\n");
        QCOMPARE(text->text(0, -1), read);
        QCOMPARE(text->characterCount(), read.size());
        int start = -1, end = -1;
        QCOMPARE(text->textAtOffset(4, QAccessible::LineBoundary, &start, &end), read);
        QCOMPARE(text->textAtOffset(1, QAccessible::WordBoundary, &start, &end), QStringLiteral("ok"));
        QVERIFY(text->attributes(0, &start, &end).contains(QLatin1String("color:rgb(80,200,80);")));
        QCOMPARE(std::pair(start, end), std::pair(0, 2));
        QVERIFY(text->attributes(2, &start, &end).contains(QLatin1String("color:rgb(238,238,238);")));
        text->setCursorPosition(5); // before the degree sign, which arrived as [C2][B0]
        QCOMPARE(m_window->display().caret(), exact.indexOf(QLatin1String("[C2]")));
        QCOMPARE(text->cursorPosition(), 5);
        QVERIFY(std::abs(text->characterRect(5).left() - text->characterRect(0).left() - 5 * display->cellWidth())
                <= 1);
        QCOMPARE(text->offsetAtPoint(text->characterRect(5).center()), 5);
        display->selectAll();
        display->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ok 23\u00b0[LF]\r\n"));
        m_window->display().setSelection(0, 0);
        // The caret at the line's end stands after what shows.
        QCOMPARE(display->cellRect(m_window->display().lineLength(0)).left(),
                 display->cellRect(0).left() + 10 * display->cellWidth());

        trigger(QStringLiteral("Colori del te&rminale"));
        trigger(QStringLiteral("UTF-&8"));
        QCOMPARE(m_window->display().shownLine(0).text(), exact.chopped(2));
        QCOMPARE(pixels(green), 0);
        QCOMPARE(ChoicesFile::read(choices, QStringLiteral("terminal-colours")), QStringLiteral("off"));

        trigger(QStringLiteral("&Evidenziazioni\u2026"));
        auto *dialog = m_window->findChild<HighlightDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->rules(), readyHighlightRules());
        dialog->addRule({.pattern = QStringLiteral("OK"), .colour = 0x80C0FF});
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(m_window->display().highlightRules().size(), 3);
        QVERIFY(pixels(qRgb(0x80, 0xC0, 0xFF)) > 10);
        QCOMPARE(HighlightRule::fromChoice(ChoicesFile::read(choices, QStringLiteral("highlight-3")))->pattern,
                 QStringLiteral("OK"));
    }

    // A failed open marks its box red and says why on the status line; the
    // next open clears the colour; Close names the port that was open.
    void failOpenClose()
    {
        const QColor normal = systemColour(SystemColour::InactiveCaptionText);
        // The status line's tooltip, and a screen reader, say why.
        QVERIFY(QFile::link(m_dir->path() + QStringLiteral("/ttyUSB3"), QStringLiteral("COM99")));
        box("txtCom1")->setText(QStringLiteral("99"));
        click("Command1");
        QCOMPARE(status(), QStringLiteral("Numero di Porta COM99 non valido"));
        const QString why = QStringLiteral("COM99 è un collegamento a %1/ttyUSB3, che non esiste").arg(m_dir->path());
        QCOMPARE(child("lblStatus")->toolTip(), why);
        QCOMPARE(QAccessible::queryAccessibleInterface(child("lblStatus"))->text(QAccessible::Description), why);
        QCOMPARE(colour(box("txtCom1")), QColor(255, 0, 0));
        QCOMPARE(colour(box("txtBaud1")), normal);
        QCOMPARE(QApplication::focusWidget(), box("txtCom1"));
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QCOMPARE(m_seam->beeps(), 1);

        box("txtCom1")->setText(QStringLiteral("2"));
        box("txtBaud1")->setText(QStringLiteral("4800"));
        click("Command1");
        QCOMPARE(status(), QStringLiteral("Porta COM2: 4800,n,8,1 OK"));
        QCOMPARE(child("lblStatus")->toolTip(), QString());
        QCOMPARE(colour(box("txtCom1")), normal);
        QCOMPARE(toggle()->text(), QStringLiteral("Close"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Close COM2"));
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
        QVERIFY(m_window->port().portOpen());

        box("txtCom1")->setText(QStringLiteral("5")); // edited while open
        click("Command1");
        QCOMPARE(status(), QStringLiteral("Porta COM2: CLOSED"));
        QCOMPARE(toggle()->text(), QStringLiteral("Open"));
        QCOMPARE(toggle()->toolTip(), QStringLiteral("Open COM5"));
        QVERIFY(!m_window->port().portOpen());
        QCOMPARE(m_seam->beeps(), 1);
    }

    // Bytes from the device, selected with the mouse and saved: exactly as
    // sent, then CR LF, in the file the dialog was answered with.
    void selectionSaved()
    {
        child<QLineEdit>("Text1")->setText(QStringLiteral("0"));   // lines end on line feeds
        child<QLineEdit>("Text2")->setText(QStringLiteral("256")); // bytes up to 255 as themselves
        click("Command1");
        QVERIFY(m_window->port().portOpen());
        QVERIFY(m_device->writeAll("h\xE9llo world\n"));
        QTRY_COMPARE(m_window->display().text(), QStringLiteral("h\u00E9llo world[LF]\r\n"));
        auto *display = child<DisplayView>("Text3");
        const auto at = [display](qsizetype position) {
            return display->cellRect(position).topLeft().toPoint() + QPoint(1, 2);
        };
        QTest::mousePress(display->viewport(), Qt::LeftButton, {}, at(0));
        QTest::mouseMove(display->viewport(), at(3));
        QTest::mouseMove(display->viewport(), at(5));
        QTest::mouseRelease(display->viewport(), Qt::LeftButton, {}, at(5));
        QCOMPARE(m_window->display().selectedText(), QStringLiteral("h\u00E9llo"));

        const QString path = m_dir->filePath(QStringLiteral("capture.txt"));
        m_seam->saveAnswers = {path};
        m_seam->yesNoAnswers = {true};
        click("Command4");
        QCOMPARE(fileBytes(path), QByteArray("h\xE9llo\r\n"));
        // Proposed in the settings folder, whatever folder the program is in.
        QCOMPARE(QDir(m_seam->callsOf(ScriptedUi::Kind::SaveDialog).at(0).request.directory), QDir(m_dir->path()));
        QCOMPARE(QApplication::focusWidget(), display);
    }
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<float>>("outer");
        QTest::newRow("its file") << QByteArray("\"2\",\"9600\",1500,900,12000,5100,\"40\",\"200\",\"0\"\r\n")
                                  << QList<float>{1500, 900, 12000, 5100};
        // A monitor unplugged since: the window comes back to the primary
        // screen's corner (the offscreen screen's is 0, 0) with its size.
        // A window stored too small to use comes up wide enough for the
        // strip and as high as the resize rule allows.
        QTest::newRow("no usable size") << QByteArray("\"2\",\"9600\",0,0,45,0,\"40\",\"200\",\"0\"\r\n")
                                        << QList<float>{0, 0, 10965, 1825};
        QTest::newRow("off every screen")
            << QByteArray("\"2\",\"9600\",60000,30000,12000,5100,\"40\",\"200\",\"0\"\r\n")
            << QList<float>{0, 0, 12000, 5100};
        // Restored from a larger screen: as large as this one (800 by 800).
        QTest::newRow("larger than its screen")
            << QByteArray("\"2\",\"9600\",1500,900,14925,13000,\"40\",\"200\",\"0\"\r\n")
            << QList<float>{0, 0, 12000, 12000};
    }
    // The file's values in the boxes and the frame, the port opened, the line
    // byte count left at 0, the file kept; a second call does nothing. (What
    // start-up reads, and writes without a file, is the settings tests'.)
    void startUp()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<float>, outer);
        const QString ini = QString::fromLatin1(SettingsFileName);
        QVERIFY(writeFile(ini, file));
        m_window->receivePath().setLineByteCount(9);
        m_window->Form_Load();
        QStringList texts;
        for (const char *name : {"txtCom1", "txtBaud1", "Text4", "Text2", "Text1"})
            texts << box(name)->text();
        QCOMPARE(texts, (QStringList{"2", "9600", "40", "200", "0"}));
        QCOMPARE(status(), QStringLiteral("Porta COM2: 9600,n,8,1 OK"));
        QCOMPARE(m_window->receivePath().lineByteCount(), 0);
        QCOMPARE(fileBytes(ini), file);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        const double halfPixel = 720.0 / m_window->logicalDpiX(); // within the pixel the frame rounds to
        const QList<float> actual{m_window->Left(), m_window->Top(), m_window->Width(), m_window->Height()};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(actual[i] - outer[i]) <= halfPixel,
                     qPrintable(QStringLiteral("field %1 is %2").arg(i + 3).arg(actual[i])));
        m_window->Form_Load();
        QVERIFY(m_seam->calls.empty());
        QVERIFY(m_window->port().portOpen());
    }

    // A first start-up, in a folder with no COM1 link, takes the system's
    // first port: here a kernel of the test's, whose ttyS0 is the
    // pseudo-terminal. When the console list names it, start-up leaves it
    // closed and says why, with no beep and no box marked, and Open opens it;
    // otherwise start-up opens it.
    void startUpBesideTheConsole_data()
    {
        QTest::addColumn<QByteArray>("consoles");
        QTest::newRow("ttyS0 is the console") << QByteArray("ttyS0                -W- (EC  p a)    4:64\n");
        QTest::newRow("the console is elsewhere") << QByteArray("tty0                 -WU (E)         4:1\n");
    }
    void startUpBesideTheConsole()
    {
        QFETCH(QByteArray, consoles);
        const QDir kernel(m_dir->path() + QStringLiteral("/kernel"));
        QVERIFY(kernel.mkpath("dev") && kernel.mkpath("tty/ttyS0/device"));
        QVERIFY(QFile::link(m_device->slavePath(), kernel.filePath("dev/ttyS0")));
        QVERIFY(writeFile(kernel.filePath("consoles"), consoles));
        m_window->port().setSystemSources(
            {kernel.filePath("dev"), kernel.filePath("tty"), kernel.filePath("consoles"), kernel.filePath("active")});
        m_window->Form_Load();
        const bool console = consoles.startsWith("ttyS0");
        const QString opened = QStringLiteral("Porta COM1: 4800,n,8,1 OK");
        QCOMPARE(status(), console ? QStringLiteral("Porta COM1 non aperta: è la console") : opened);
        // Which device, and why, in the tooltip, a screen reader's description.
        const QString why = kernel.filePath("dev/ttyS0")
            + " è la console di sistema e aprirla ne cambierebbe la velocità; Open la apre comunque.";
        QCOMPARE(child("lblStatus")->toolTip(), console ? why : QString());
        QCOMPARE(m_window->port().portOpen(), !console);
        QCOMPARE(toggle()->text(), console ? QStringLiteral("Open") : QStringLiteral("Close"));
        const QColor normal = systemColour(SystemColour::InactiveCaptionText);
        QCOMPARE(QList<QColor>({colour(box("txtCom1")), colour(box("txtBaud1"))}), QList<QColor>({normal, normal}));
        QVERIFY(m_seam->calls.empty());
        if (!console)
            return;
        click("Command1");
        QCOMPARE(status(), opened);
        QCOMPARE(m_window->port().devicePath(), kernel.filePath("dev/ttyS0"));
    }

    // A window that was never started from the file leaves it alone.
    void windowWithoutStartUpWritesNothing()
    {
        QVERIFY(m_window->close());
        QVERIFY(!QFile::exists(QStringLiteral("Quillar.ini")));
    }

    // Qt's own questions and dialogs speak the window's Italian once Qt's
    // translations are installed (tools/setup-debian.sh brings them), and
    // stay whole in English without them.
    void qtSpeaksItalian_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("not installed") << false;
        QTest::newRow("installed") << true;
    }
    void qtSpeaksItalian()
    {
        QFETCH(bool, installed);
        const QTemporaryDir none;
        QTranslator *translator = installQtItalian(*qApp, installed ? QString() : none.path());
        const auto remove = qScopeGuard([translator] {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        });
        QCOMPARE(translator != nullptr, installed);
        QMessageBox question(QMessageBox::NoIcon, QStringLiteral("Salva File"),
                             QStringLiteral("Salvare solo il testo selezionato ?"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.button(QMessageBox::Yes)->text(),
                 installed ? QStringLiteral("&S\u00EC") : QStringLiteral("&Yes"));
        QFileDialog dialog(nullptr, QStringLiteral("Salva File"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"))->text(),
                 installed ? QStringLiteral("Cerca in:") : QStringLiteral("Look in:"));
    }
};

QTEST_MAIN(TestFrmQuillar)
#include "tst_frm_quillar.moc"
