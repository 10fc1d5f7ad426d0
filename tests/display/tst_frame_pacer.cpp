#include "display/frame_pacer.h"
#include "support/manual_clock.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace quillar;
using namespace std::chrono_literals;

namespace {

constexpr auto Frame = 40ms;

} // namespace

class TestFramePacer : public QObject
{
    Q_OBJECT

private slots:
    // Frames for a shown widget on a clock the test moves, step by step,
    // each step followed by the frames given so far.
    void frames_data()
    {
        QTest::addColumn<QString>("steps"); // "verb [ms]=frames", separated by ';'
        QTest::newRow("after a rest: in the same pass") << "request=1";
        QTest::newRow("within a frame: what is left of it")
            << "request=1;advance 15=1;request=1;request=1;advance 24=1;advance 1=2";
        QTest::newRow("a whole frame later: at once") << "request=1;advance 40=1;request=2";
        QTest::newRow("nothing asked, no frame") << "request=1;advance 400=1;flush=1";
        QTest::newRow("flush: now, within a frame") << "request=1;advance 10=1;request=1;flush=2;advance 40=2";
        QTest::newRow("hidden: none until shown") << "hide=0;request=0;advance 100=0;flush=0;show=1;advance 100=1";
        QTest::newRow("minimized: none until restored")
            << "minimize=0;request=0;advance 100=0;flush=0;restore=1;advance 100=1";
        QTest::newRow("hidden after asking") << "request=1;advance 5=1;request=1;hide=1;advance 100=1;show=2";
    }
    void frames()
    {
        QFETCH(QString, steps);
        if (steps.contains(QLatin1String("minimize")) && QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("the offscreen platform keeps a minimized window exposed; run on an X server with a window manager");
        test::ManualClock clock;
        QWidget widget;
        widget.resize(200, 100);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        FramePacer pacer(widget, Frame, clock);
        QSignalSpy frames(&pacer, &FramePacer::frame);
        // A frame's time since the pacer was made: a rest.
        clock.advance(Frame);
        for (const QString &step : steps.split(QLatin1Char(';'))) {
            const QString verb = step.section(QLatin1Char('='), 0, 0).section(QLatin1Char(' '), 0, 0);
            const int ms = step.section(QLatin1Char('='), 0, 0).section(QLatin1Char(' '), 1).toInt();
            if (verb == QLatin1String("request"))
                pacer.request();
            else if (verb == QLatin1String("advance"))
                clock.advance(std::chrono::milliseconds(ms));
            else if (verb == QLatin1String("flush"))
                pacer.flush();
            else if (verb == QLatin1String("hide"))
                widget.hide();
            else if (verb == QLatin1String("show"))
                widget.show();
            else if (verb == QLatin1String("minimize"))
                widget.showMinimized();
            else if (verb == QLatin1String("restore"))
                widget.showNormal();
            else
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            if (verb == QLatin1String("minimize"))
                QTRY_VERIFY(!widget.windowHandle()->isExposed());
            if (verb == QLatin1String("show") || verb == QLatin1String("restore"))
                QVERIFY(QTest::qWaitForWindowExposed(&widget));
            for (int pass = 0; pass < 3; ++pass)
                QCoreApplication::processEvents();
            QVERIFY2(frames.size() == step.section(QLatin1Char('='), 1).toInt(),
                     qPrintable(step + QStringLiteral(": %1 frames").arg(frames.size())));
        }
    }
};

QTEST_MAIN(TestFramePacer)
#include "tst_frame_pacer.moc"
