#include "display/display_view.h"
#include "plot/plot_data.h"
#include "plot_widgets/plot_palette.h"
#include "plot_widgets/plot_view.h"
#include "plot_widgets/plot_window.h"
#include "port/mscomm.h"
#include "receive/receive_path.h"
#include "window_on_device.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

#include <cmath>

using namespace quillar;
using namespace quillar::test;

namespace {

// Whether a pixel within `within` of point has the colour: a line two
// pixels wide, without antialiasing, covers one of those within one wherever
// it lies.
bool drawnNear(const QImage &image, QPointF point, const QColor &colour, int within = 1)
{
    for (int dx = -within; dx <= within; ++dx)
        for (int dy = -within; dy <= within; ++dy)
            if (image.pixelColor(int(point.x()) + dx, int(point.y()) + dy) == colour)
                return true;
    return false;
}

template <typename T>
T *named(QWidget &parent, const QString &accessibleName)
{
    for (T *w : parent.findChildren<T *>())
        if (w->accessibleName() == accessibleName || w->property("text").toString() == accessibleName)
            return w;
    return nullptr;
}

} // namespace

class TestPlotWindow : public WindowOnDevice
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(startWindow()); }
    void cleanup() { stopWindow(); }

    // Opened from the display's menu or by its shortcut, the plot reads the
    // lines from then on. A known curve, with a spike of one sample among
    // more samples than pixel columns, is drawn in its series' colour where
    // its values are, the spike whole; the legend hides a series; a screen
    // reader gets each series' latest, minimum and maximum; the samples
    // export as CSV and the view as PNG through the modal seam.
    void knownCurve_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("menu") << true;
        QTest::newRow("shortcut") << false;
    }
    void knownCurve()
    {
        QFETCH(bool, fromMenu);
        child<QLineEdit>("Text1")->setText(QStringLiteral("0"));
        QTest::mouseClick(child("Command1"), Qt::LeftButton);
        QVERIFY(m_window->port().portOpen());
        QVERIFY(!m_window->plotWindow());
        if (fromMenu) {
            const std::unique_ptr<QMenu> menu(child<DisplayView>("Text3")->createContextMenu(nullptr));
            for (QAction *action : menu->actions())
                if (action->text() == QStringLiteral("&Grafico\u2026"))
                    action->trigger();
        } else {
            QTest::keyClick(m_window.get(), Qt::Key_G, Qt::ControlModifier);
        }
        PlotWindow *plot = m_window->plotWindow();
        QVERIFY(plot);
        QVERIFY(QTest::qWaitForWindowExposed(plot));
        QCOMPARE(plot->windowTitle(), QStringLiteral("Quillar - Grafico"));
        PlotView &view = plot->view();

        named<QComboBox>(*plot, QStringLiteral("Asse X"))->setCurrentIndex(1); // by sample number
        named<QCheckBox>(*plot, QStringLiteral("Scala &automatica"))->setChecked(false);
        for (const auto &[box, text] : {std::pair("Da", "0"), std::pair("A", "10")}) {
            QLineEdit *edit = named<QLineEdit>(*plot, QString::fromLatin1(box));
            edit->setText(QString::fromLatin1(text));
            QTest::keyClick(edit, Qt::Key_Return);
        }
        constexpr int Count = 3000;
        constexpr int Spike = 1234;
        QByteArray lines("BOOT v2\n");
        for (int i = 0; i < Count; ++i)
            lines += (i == Spike ? "9" : "5") + QByteArray(", 2\n");
        QVERIFY(m_device->writeAll(lines));
        const QString summary = QStringLiteral("Colonna 1: ultimo 5, minimo 5, massimo 9; "
                                               "Colonna 2: ultimo 2, minimo 2, massimo 2");
        QTRY_COMPARE(view.summary(), summary);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
        QCOMPARE(accessible->role(), QAccessible::Chart);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Grafico"));
        QCOMPARE(accessible->text(QAccessible::Description), summary);

        QImage image = view.grab().toImage();
        QVERIFY(view.width() < Count);
        const QColor first = seriesPen(0).color(), second = seriesPen(1).color();
        QVERIFY(drawnNear(image, view.pixelOf(Count / 2, 5), first));
        QVERIFY(drawnNear(image, view.pixelOf(Count / 2, 2), second));
        QVERIFY(!drawnNear(image, view.pixelOf(Count / 2, 7), first));
        for (const double value : {9.0, 7.0, 5.5})
            QVERIFY2(drawnNear(image, view.pixelOf(Spike, value), first), qPrintable(QString::number(value)));
        QCOMPARE(view.pixelOf(Count - 1, 10).y(), view.pixelOf(0, 10).y());

        // The legend takes a new series at the next frame; a click finds it
        // once the legend's layout has placed it.
        QCheckBox *entry = nullptr;
        QTRY_VERIFY((entry = named<QCheckBox>(*plot, QStringLiteral("Colonna 2"))) && entry->isVisible()
                    && !entry->geometry().isEmpty());
        QTest::mouseClick(entry, Qt::LeftButton);
        QVERIFY(!entry->isChecked());
        image = view.grab().toImage();
        QVERIFY(!drawnNear(image, view.pixelOf(Count / 2, 2), second));
        QVERIFY(drawnNear(image, view.pixelOf(Count / 2, 5), first));
        QVERIFY(accessible->text(QAccessible::Description).endsWith(QStringLiteral("massimo 2 (nascosta)")));

        const QString csv = m_dir->filePath(QStringLiteral("samples.csv"));
        const QString png = m_dir->filePath(QStringLiteral("view.png"));
        m_seam->saveAnswers = {csv, png};
        QTest::mouseClick(named<QPushButton>(*plot, QStringLiteral("Esporta CS&V\u2026")), Qt::LeftButton);
        QTest::mouseClick(named<QPushButton>(*plot, QStringLiteral("Esporta P&NG\u2026")), Qt::LeftButton);
        const QList<QByteArray> rows = fileBytes(csv).split('\n');
        QCOMPARE(rows.size(), Count + 2);
        QCOMPARE(rows.front(), QByteArray("numero,ora,Colonna 1,Colonna 2\r"));
        QVERIFY(rows[Spike + 1].startsWith(QByteArray::number(Spike) + ',') && rows[Spike + 1].endsWith(",9,2\r"));
        QVERIFY(fileBytes(png).startsWith("\x89PNG"));
        QVERIFY(m_seam->callsOf(ScriptedUi::Kind::Message).empty());
    }

    // A view that follows scrolls what it shows and paints only the columns
    // that moved in, and the screen shows what a view painting everything
    // afresh shows: while it moves, after new values rescale it, with a
    // series hidden, and once old samples are given up inside it.
    void keptColumnsShowAsAWhole()
    {
        PlotData data;
        PlotView kept(data);
        kept.resize(420, 260);
        kept.setSpanMs(10'000);
        kept.setValueRange(std::pair(-12.0, 12.0));
        kept.show();
        QVERIFY(QTest::qWaitForWindowExposed(&kept));
        qint64 ms = 1'700'000'000'000;
        // Each batch begins with a spike, mostly in the column the last
        // batch ended in.
        const auto feed = [&](int count, double scale) {
            for (int i = 0; i < count; ++i, ms += 7)
                data.addLine(QByteArray::number(i == 0 ? scale : std::sin(double(ms) / 300) * scale) + ' '
                                 + QByteArray::number(std::cos(double(ms) / 90) * 3),
                             ms);
        };
        const auto frame = [&] {
            const quint64 paints = kept.paints();
            kept.follow();
            return QTest::qWaitFor([&] { return kept.paints() > paints; });
        };
        // Lines may lie a pixel apart where one paint's columns met the
        // next's (rounding): the curves' pixels, and one grid line, no more.
        const auto same = [&](const char *when) {
            const QImage a = kept.screen()->grabWindow(kept.winId()).toImage();
            PlotView fresh(data);
            fresh.resize(kept.size());
            fresh.setSpanMs(10'000);
            fresh.setValueRange(kept.paintedValues());
            fresh.setShown(1, kept.shown(1));
            const QImage b = fresh.picture();
            QCOMPARE(a.size(), b.size());
            const QList<QColor> curves = {seriesPen(0).color(), seriesPen(1).color()};
            int apart = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    if (a.pixel(x, y) != b.pixel(x, y)) {
                        ++apart;
                        for (const auto &[one, other] : {std::pair(&a, &b), std::pair(&b, &a)})
                            QVERIFY2(!curves.contains(one->pixelColor(x, y))
                                         || drawnNear(*other, QPointF(x, y), one->pixelColor(x, y)),
                                     when);
                    }
            QVERIFY2(apart < 2 * a.height(), when); // a grid line a pixel apart, at most
        };
        feed(2000, 10);
        QVERIFY(frame());
        int fewest = kept.width();
        for (int step = 0; step < 12; ++step) {
            feed(1 + step * 3, 10);
            QVERIFY(frame());
            same("moving");
            fewest = std::min(fewest, kept.columnsDrawn());
        }
        QVERIFY(fewest < kept.width() / 10);
        feed(4, 10);
        kept.follow(); // not painted before the next
        feed(4, 10);
        QVERIFY(frame());
        same("two frames, one paint");
        kept.setValueRange(std::nullopt);
        feed(5, 11);
        QVERIFY(frame());
        same("autoscaled");
        feed(5, 15);
        QVERIFY(frame());
        same("rescaled by new values");
        kept.setShown(1, false);
        feed(5, 11);
        QVERIFY(frame());
        same("a series hidden");
        kept.setValueRange(std::pair(-12.0, 12.0));
        QVERIFY(frame());
        data.setLimit(500);
        for (int step = 0; step < 3; ++step) { // the oldest kept moves on inside the view
            feed(5 + step * 4, 11);
            QVERIFY(frame());
            same("old samples given up");
        }
    }

    // A range that is no range says so and leaves the view as it was.
    void badRange()
    {
        child<QLineEdit>("Text1")->setText(QStringLiteral("0"));
        m_window->openPlot();
        PlotWindow *plot = m_window->plotWindow();
        m_window->receivePath().receive({"7\n", {{0, 1000}}});
        m_window->receivePath().receive({"8\n", {{0, 2000}}});
        plot->view().grab();
        named<QCheckBox>(*plot, QStringLiteral("Scala &automatica"))->setChecked(false);
        plot->view().grab();
        const auto range = plot->view().paintedValues();
        QCOMPARE(range, std::pair(6.95, 8.05)); // as autoscale left it
        QLineEdit *low = named<QLineEdit>(*plot, QStringLiteral("Da"));
        low->setText(QStringLiteral("12"));
        named<QLineEdit>(*plot, QStringLiteral("A"))->setText(QStringLiteral("3"));
        QTest::keyClick(low, Qt::Key_Return);
        QVERIFY(plot->statusText().startsWith(QStringLiteral("Intervallo dei valori non valido")));
        plot->view().grab();
        QCOMPARE(plot->view().paintedValues(), range);
    }
};

QTEST_MAIN(TestPlotWindow)
#include "tst_plot_window.moc"
