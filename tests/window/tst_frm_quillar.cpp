// The real main window under the offscreen platform, driven by key and mouse
// events.
#include "platform/twips.h"
#include "receive/display_buffer.h"
#include "receive/display_view.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "window/frm_quillar.h"
#include "window/ruler_label.h"
#include "window/ruler_text.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace quillar;
using quillar::test::namedChild;
using quillar::test::ScriptedUi;

namespace {

// The x of the centre of the ink drawn within three cells either side of the
// cell at cellLeft, in a band of rows; the background is the commonest colour
// there. Fails the test (returns NaN) when no ink is found.
double inkCentre(const QImage &image, double cellLeft, double cell, double top, int height)
{
    const int x0 = std::max(0, int(std::floor(cellLeft - 3 * cell)));
    const int x1 = std::min(image.width(), int(std::ceil(cellLeft + 4 * cell)));
    const int y0 = std::max(0, int(top));
    const int y1 = std::min(image.height(), int(top) + height);
    QHash<QRgb, int> counts;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double weight = 0;
    double moment = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const QRgb p = image.pixel(x, y);
            const int w = std::max({qAbs(qRed(p) - qRed(background)), qAbs(qGreen(p) - qGreen(background)),
                                    qAbs(qBlue(p) - qBlue(background))});
            weight += w;
            moment += w * (x + 0.5);
        }
    }
    return weight > 255 ? moment / weight : std::nan("");
}

// Counts the F1 presses that reach a widget's own handling.
class HelpKeySpy : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1)
            ++presses;
        return false;
    }
};

} // namespace

class TestFrmQuillar : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedUi> m_seam;
    std::unique_ptr<frmQuillar> m_window;
    int m_helpCalls = 0;

    template <typename T = QWidget>
    T *child(const char *name) const
    {
        return namedChild<T>(*m_window, name);
    }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    [[nodiscard]] bool showWindow()
    {
        m_window->show();
        m_window->activateWindow();
        return QTest::qWaitForWindowActive(m_window.get());
    }

private slots:
    void init()
    {
        m_seam = std::make_unique<ScriptedUi>();
        m_window = std::make_unique<frmQuillar>();
        m_helpCalls = 0;
        m_window->setHelpOpener([this] { ++m_helpCalls; });
    }
    void cleanup()
    {
        m_window.reset();
        m_seam.reset();
    }

    void designTexts()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Quillar v1"));
        QCOMPARE(child<QLabel>("lblStatus")->text(), QStringLiteral("Label1"));
        QCOMPARE(box("Text4")->toolTip(), QStringLiteral("Lower ASCII  code to display as is"));
        QCOMPARE(box("Text2")->toolTip(), QStringLiteral("Higher ASCII  code to display as is"));
        QCOMPARE(child<QPushButton>("Command1")->toolTip(), QStringLiteral("Open COM"));
        QCOMPARE(child<QPushButton>("Command5")->text(), QStringLiteral("Help (F1)"));
        QVERIFY(!child<QPushButton>("Command5")->toolTip().isEmpty());
        // Positions go through the twip conversion: txtBaud1 at 1220, 0, 540, 285.
        QCOMPARE(box("txtBaud1")->geometry(), twipsRectToPixels(1220, 0, 540, 285, m_window->logicalDpiX()));
        const QList<QSize> sizes = m_window->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
    }

    void focusOrderAndNoDefaultButton()
    {
        QVERIFY(showWindow());
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
        const QStringList expected{"txtCom1", "txtBaud1", "Command1", "Text4", "Text2", "Text1",
                                   "Command3", "Command2", "Command4", "Command5", "Text3"};
        for (const QString &name : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
        }
        for (QLabel *label : m_window->findChildren<QLabel *>())
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        // Enter in a box presses no button.
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (QPushButton *b : m_window->findChildren<QPushButton *>())
            spies << std::make_shared<QSignalSpy>(b, &QPushButton::clicked);
        box("txtBaud1")->setFocus();
        QTest::keyClick(box("txtBaud1"), Qt::Key_Return);
        QTest::keyClick(box("Text1"), Qt::Key_Enter);
        for (const auto &spy : spies)
            QCOMPARE(spy->count(), 0);
    }

    void typing_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("port box refuses letters and signs") << "txtCom1" << "a-.+ 1" << "1";
        QTest::newRow("port box refuses a third digit") << "txtCom1" << "123" << "12";
        QTest::newRow("baud box takes digits only") << "txtBaud1" << "9x6-0.0 " << "9600";
        QTest::newRow("baud box holds six") << "txtBaud1" << "1152000" << "115200";
        QTest::newRow("Text1 takes anything") << "Text1" << "a-.5" << "a-.5";
        QTest::newRow("Text4 holds three") << "Text4" << "-1.5" << "-1.";
    }
    void typing()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QVERIFY(showWindow());
        QLineEdit *edit = box(qPrintable(boxName));
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), expected);
    }

    void controlKeys_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<bool>("filtered");
        QTest::newRow("txtCom1") << "txtCom1" << true;
        QTest::newRow("txtBaud1") << "txtBaud1" << true;
        QTest::newRow("Text1") << "Text1" << false;
    }
    void controlKeys()
    {
        QFETCH(QString, boxName);
        QFETCH(bool, filtered);
        QVERIFY(showWindow());
        QLineEdit *edit = box(qPrintable(boxName));
        edit->setFocus();
        edit->setText(QStringLiteral("12"));
        QApplication::clipboard()->setText(QStringLiteral("7"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), filtered ? QStringLiteral("12") : QStringLiteral("127"));
        // Backspace and Ctrl+C pass everywhere.
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), filtered ? QStringLiteral("1") : QStringLiteral("12"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), edit->text());
    }

    // Every box: the shut-down test clicks and types into all five.
    void clickSelectsAll()
    {
        QVERIFY(showWindow());
        QLineEdit *edit = box("txtBaud1");
        const QString before = edit->text();
        // A click meant to place the caret in the middle still selects all.
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
        QTRY_COMPARE(edit->selectedText(), before);
        QCOMPARE(edit->cursorPosition(), int(before.size()));
        QTest::keyClicks(edit, QStringLiteral("48"));
        QCOMPARE(edit->text(), QStringLiteral("48"));
    }

    void helpKey_data()
    {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("display, plain") << "Text3" << 0;
        QTest::newRow("button, Ctrl") << "Command1" << int(Qt::ControlModifier);
        QTest::newRow("port box, Shift+Ctrl+Alt") << "txtCom1" << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    }
    void helpKey()
    {
        QFETCH(QString, focused);
        QFETCH(int, modifiers);
        QVERIFY(showWindow());
        QWidget *target = child(qPrintable(focused));
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        HelpKeySpy spy;
        target->installEventFilter(&spy);
        QTest::keyClick(target, Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_helpCalls, 1);
        // Not consumed: the focused control still receives it.
        QCOMPARE(spy.presses, 1);
        // A held key repeats, and each repeat opens again; other keys do not.
        QTest::keyPress(target, Qt::Key_F1);
        QTest::keyPress(target, Qt::Key_F1);
        QTest::keyRelease(target, Qt::Key_F1);
        QTest::keyClick(target, Qt::Key_F2);
        QCOMPARE(m_helpCalls, 3);
    }

    void helpButton()
    {
        QVERIFY(showWindow());
        QTest::mouseClick(child("Command5"), Qt::LeftButton);
        QCOMPARE(m_helpCalls, 1);
    }

    void clearAndLineFeed()
    {
        QVERIFY(showWindow());
        DisplayBuffer &display = m_window->display();
        display.append(QStringLiteral("abc"));
        box("txtBaud1")->setFocus();
        QTest::mouseClick(child("Command3"), Qt::LeftButton);
        QCOMPARE(display.text(), QStringLiteral("abc(LF)\r\n"));
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
        box("txtBaud1")->setFocus();
        QTest::mouseClick(child("Command2"), Qt::LeftButton);
        QCOMPARE(display.text(), QString());
        QCOMPARE(QApplication::focusWidget(), child("Text3"));
    }

    void resizeSnaps_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<float>("snappedWidth");
        QTest::addColumn<float>("snappedHeight");
        QTest::newRow("1000 high snaps to 1825") << 11000.f << 1000.f << 11000.f << 1825.f;
        QTest::newRow("20000 wide snaps to 14925") << 20000.f << 4500.f << 14925.f << 4500.f;
        QTest::newRow("1825 x 14925 left alone") << 14925.f << 1825.f << 14925.f << 1825.f;
    }
    void resizeSnaps()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(float, snappedWidth);
        QFETCH(float, snappedHeight);
        QVERIFY(showWindow());
        m_window->setWidth(width);
        m_window->setHeight(height);
        const double dpi = m_window->logicalDpiX();
        // Within the pixel the size rounds to.
        const double pixel = 1440.0 / dpi;
        QTRY_VERIFY(qAbs(m_window->Height() - snappedHeight) <= pixel / 2);
        QTRY_VERIFY(qAbs(m_window->Width() - snappedWidth) <= pixel / 2);
        QWidget *display = child("Text3");
        QCOMPARE(display->pos(), twipsRectToPixels(20, 740, 1, 1, dpi).topLeft());
        QCOMPARE(display->height(), twipsRectToPixels(20, 740, 1, m_window->Height() - 1290, dpi).height());
        QCOMPARE(display->width(), twipsRectToPixels(20, 740, m_window->Width() - 135, 1, dpi).width());
    }

    void maximizedLeavesTheDisplay()
    {
        QVERIFY(showWindow());
        m_window->setWidth(9000);
        m_window->setHeight(3000);
        QWidget *display = child("Text3");
        QTRY_COMPARE(display->width(), twipsRectToPixels(20, 740, m_window->Width() - 135, 1, m_window->logicalDpiX()).width());
        const QSize before = display->size();
        const QSize normal = m_window->size();
        m_window->showMaximized();
        QTRY_VERIFY(m_window->isMaximized() && m_window->size() != normal);
        QCOMPARE(display->size(), before);
        m_window->setWindowState(Qt::WindowMinimized);
        QCOMPARE(display->size(), before);
        // Back to normal: the rule applies again.
        m_window->showNormal();
        QTRY_COMPARE(m_window->size(), normal);
        QCOMPARE(display->size(), before);
    }

    void rulerKeepsItsPlaceAndFont()
    {
        QVERIFY(showWindow());
        auto *label3 = child<RulerLabel>("Label3");
        auto *label9 = child<RulerLabel>("Label9");
        auto *display = child<DisplayView>("Text3");
        QCOMPARE(label3->font(), display->font());
        QCOMPARE(label9->font(), display->font());
        QVERIFY(QFontInfo(display->font()).fixedPitch());
        const QRect label3Before = label3->geometry();
        const QRect label9Before = label9->geometry();
        m_window->setWidth(6000);
        m_window->setHeight(2500);
        QTRY_VERIFY(m_window->Width() < 6100);
        QCOMPARE(label3->geometry(), label3Before);
        QCOMPARE(label9->geometry(), label9Before);
        // Both rows fit the label's height; Label9's row fits its own.
        const QFontMetricsF metrics(display->font());
        QVERIFY(2 * metrics.height() <= label3->height() + 1);
        QVERIFY(metrics.ascent() <= label9->height());
    }

    // Column k of the ruler over column k of the display, measured on the
    // widgets: first on the cell grid, then on the pixels each one paints.
    // Row A of Label3 and the row of Label9 hold lone digits, so the display
    // is given the same rows and the ink of each digit compared.
    void rulerStandsOverTheDisplayColumns_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("column");
        for (int k : {1, 120})
            QTest::addRow("Label3 column %d", k) << "Label3" << k;
        for (int k : {100, 120})
            QTest::addRow("Label9 column %d", k) << "Label9" << k;
    }
    void rulerStandsOverTheDisplayColumns()
    {
        QFETCH(QString, label);
        QFETCH(int, column);
        QVERIFY(showWindow());
        // The design width: the display shows some 90 columns, the ruler 120.
        m_window->setWidth(11000);
        auto *ruler = child<RulerLabel>(qPrintable(label));
        auto *display = child<DisplayView>("Text3");
        const bool hundreds = label == QLatin1String("Label9");
        const QString row = hundreds ? QString(HundredsFirstColumn - 1, QLatin1Char(' ')) + label9Caption()
                                     : rulerRowA();
        const int index = column - (hundreds ? HundredsFirstColumn : 1); // in the ruler's row
        QVERIFY(ruler->rows().first().at(index) != QLatin1Char(' '));
        // The line break keeps the caret off the measured line.
        m_window->display().append(row + QStringLiteral("\r\n"));
        display->flushFrame();
        QTRY_VERIFY(display->viewport()->width() < display->columnLeft(RulerColumns));
        display->horizontalScrollBar()->setValue(0);

        const double cell = display->cellWidth();
        const double viewportX = display->x() + display->viewport()->x();
        // The grid: the ruler's cell k is the display's cell k.
        const double rulerCell = ruler->x() + ruler->charLeft(index);
        QCOMPARE(rulerCell, display->x() + display->columnLeft(column));
        QCOMPARE(rulerCell, viewportX + display->cellRect(column - 1).left());

        // The pixels: scroll the display so the column shows, and compare the
        // centres of the digit's ink in window coordinates.
        display->horizontalScrollBar()->setValue(int(display->columnLeft(column)) - display->viewport()->width() / 2);
        const int scroll = display->horizontalScrollBar()->value();
        const QRectF shown = display->cellRect(column - 1);
        const QImage displayImage = display->viewport()->grab().toImage();
        const double displayInk = inkCentre(displayImage, shown.left(), cell, shown.top(), display->lineHeight());
        const QImage rulerImage = ruler->grab().toImage();
        const double rulerInk =
            inkCentre(rulerImage, ruler->charLeft(index), cell, 0, int(QFontMetricsF(ruler->font()).lineSpacing()));
        QVERIFY2(qAbs((viewportX + displayInk + scroll) - (ruler->x() + rulerInk)) <= 1.0,
                 qPrintable(QStringLiteral("display ink at %1, ruler ink at %2")
                                .arg(viewportX + displayInk + scroll)
                                .arg(ruler->x() + rulerInk)));
    }
};

QTEST_MAIN(TestFrmQuillar)
#include "tst_frm_quillar.moc"
