#include "display/frame_pacer.h"
#include "platform/frame_clock.h"
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
        // The port's ticks are the view's too: a frame asked for after one
        // waits a frame from it.
        QTest::newRow("after the port's tick: a frame from it")
            << "request=1;advance 40=1;tick=1;advance 10=1;request=1;advance 29=1;advance 1=2";
        // A short quiet time makes the clock's frames short; the view still
        // catches up once a display frame at most.
        QTest::newRow("short clock frames: a display frame apart")
            << "request=1;clock 5=1;advance 5=1;request=1;advance 30=1;advance 5=2;request=2;advance 39=2;advance 1=3";
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
        FrameClock ticks(Frame, clock);
        FramePacer pacer(widget, ticks, Frame);
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
            else if (verb == QLatin1String("tick"))
                ticks.request();
            else if (verb == QLatin1String("clock"))
                ticks.setFrame(std::chrono::milliseconds(ms));
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

    // A tick hands over first, then paints: what the hand-over brought shows
    // in the same tick, not a frame later.
    void handOverThenPaintInOneTick()
    {
        test::ManualClock clock;
        QWidget widget;
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        FrameClock frames(Frame, clock);
        FramePacer pacer(widget, frames, Frame);
        QStringList order;
        connect(&frames, &FrameClock::handOver, &widget, [&] {
            order << QStringLiteral("hand-over");
            pacer.request();
        });
        connect(&pacer, &FramePacer::frame, &widget, [&] { order << QStringLiteral("frame"); });
        clock.advance(Frame);
        frames.request();
        QTRY_COMPARE(order.size(), 2);
        QCOMPARE(order.join(u' '), QStringLiteral("hand-over frame"));
    }
};

QTEST_MAIN(TestFramePacer)
#include "tst_frame_pacer.moc"
