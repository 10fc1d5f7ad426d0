#include "receive/display_buffer.h"
#include "receive/receive_path.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>

using namespace quillar;

namespace {

// The receive path with the three boxes as plain strings the test can edit.
struct Rig final : ReceiveUi
{
    explicit Rig(const QString &lineFeedTime) : t1(lineFeedTime), path(display, *this) {}

    QString lowerBoundText() const override { return t4; }
    QString higherBoundText() const override { return t2; }
    QString lineFeedTimeText() const override { return t1; }

    // Editing Text1 raises its Change event.
    void setLineFeedTime(const QString &text)
    {
        t1 = text;
        path.lineFeedTimeChanged();
    }

    QString t4 = QStringLiteral("31");
    QString t2 = QStringLiteral("128");
    QString t1;
    DisplayBuffer display;
    ReceivePath path;
};

} // namespace

class TestReceivePath : public QObject
{
    Q_OBJECT

private slots:
    // Default bounds: ABC CR LF in one read, with the line end that follows it
    // in timer mode and the line break of line-feed mode.
    void oneRead_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<QString>("afterRead");
        QTest::addColumn<bool>("armed");
        QTest::newRow("T = 150") << "150" << "ABC[CR][LF]" << true;
        QTest::newRow("T = 0") << "0" << "ABC[CR][LF]\r\n" << false;
        QTest::newRow("T empty") << "" << "ABC[CR][LF]\r\n" << false;
        QTest::newRow("T = 0.3 never breaks") << "0.3" << "ABC[CR][LF]" << false;
    }
    void oneRead()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(QString, afterRead);
        QFETCH(bool, armed);

        Rig rig(lineFeedTime);
        QSignalSpy appends(&rig.display, &DisplayBuffer::textChanged);
        rig.path.receive(QByteArray("ABC\r\n"));
        QCOMPARE(rig.display.text(), afterRead);
        QCOMPARE(appends.count(), 1);
        QCOMPARE(rig.path.lineByteCount(), qint64(5));
        QCOMPARE(rig.path.lineTimer().enabled(), true);
        QCOMPARE(rig.path.lineTimer().armed(), armed);
        if (armed) {
            QTRY_COMPARE(rig.display.text(), afterRead + QStringLiteral("<005>\r\n"));
            QCOMPARE(rig.path.lineByteCount(), qint64(0));
            QCOMPARE(rig.path.lineTimer().interval(), 0);
            QVERIFY(!rig.path.lineTimer().armed());
        }
    }

    // The interval is the line-feed time rounded half to even, with negative
    // times idle and huge ones cut to the longest the timer takes.
    void interval_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<int>("interval");
        QTest::newRow("150") << "150" << 150;
        QTest::newRow("2.5 to even 2") << "2.5" << 2;
        QTest::newRow("3.5 to even 4") << "3.5" << 4;
        QTest::newRow("negative acts like 0") << "-20" << 0;
        QTest::newRow("beyond 32 bits") << "1e12" << std::numeric_limits<int>::max();
        QTest::newRow("non-numeric") << "abc" << 0;
    }
    void interval()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(int, interval);
        Rig rig(lineFeedTime);
        rig.path.receive(QByteArray("x"));
        QCOMPARE(rig.path.lineTimer().interval(), interval);
        QCOMPARE(rig.path.lineTimer().armed(), interval > 0);
    }

    // Several reads in one burst: one line end after the last, counting all.
    void burstOfReads()
    {
        Rig rig(QStringLiteral("150"));
        rig.path.receive(QByteArray("12345"));
        rig.path.receive(QByteArray("\x1b\x00", 2));
        rig.path.receive(QByteArray(5, 'z'));
        QCOMPARE(rig.display.text(), QStringLiteral("12345[1B][00]zzzzz"));
        QTRY_COMPARE(rig.display.text(), QStringLiteral("12345[1B][00]zzzzz<012>\r\n"));
        QVERIFY(!rig.path.lineTimer().armed());
    }

    // Two bursts 100 ms apart with T = 150 share one line end, which comes a
    // full T after the second.
    void gapShorterThanT()
    {
        Rig rig(QStringLiteral("150"));
        QElapsedTimer clock;
        clock.start();
        rig.path.receive(QByteArray("abc"));
        QTest::qWait(100);
        if (clock.elapsed() >= 140 || rig.display.text().contains(QLatin1Char('<')))
            QSKIP("the machine could not hold a 100 ms gap under 150 ms");
        clock.restart();
        rig.path.receive(QByteArray("de"));
        QTRY_VERIFY(rig.display.text().contains(QLatin1Char('<')));
        QVERIFY2(clock.elapsed() >= 149, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(rig.display.text(), QStringLiteral("abcde<005>\r\n"));
    }

    // A change of Text1 starts the count again; a pending line end still comes.
    void changeOfLineFeedTime_data()
    {
        QTest::addColumn<QByteArray>("afterChange");
        QTest::addColumn<QString>("lineEnd");
        QTest::newRow("nothing after the change") << QByteArray() << "<000>\r\n";
        QTest::newRow("three bytes after") << QByteArray("xyz") << "<003>\r\n";
    }
    void changeOfLineFeedTime()
    {
        QFETCH(QByteArray, afterChange);
        QFETCH(QString, lineEnd);
        Rig rig(QStringLiteral("150"));
        rig.path.receive(QByteArray("12345"));
        rig.setLineFeedTime(QStringLiteral("200"));
        QCOMPARE(rig.path.lineByteCount(), qint64(0));
        QVERIFY(rig.path.lineTimer().armed());
        if (!afterChange.isEmpty())
            rig.path.receive(afterChange);
        QTRY_VERIFY(rig.display.text().endsWith(lineEnd));
        QCOMPARE(rig.display.text().count(QLatin1Char('<')), qsizetype(1));
    }

    // In line-feed mode the count grows across lines and is never written;
    // switching to a timed mode counts from the switch.
    void lineFeedModeThenTimed()
    {
        Rig rig(QStringLiteral("0"));
        rig.path.receive(QByteArray("a\n"));
        rig.path.receive(QByteArray("bc\n"));
        QCOMPARE(rig.display.text(), QStringLiteral("a[LF]\r\nbc[LF]\r\n"));
        QCOMPARE(rig.path.lineByteCount(), qint64(5));
        rig.setLineFeedTime(QStringLiteral("20"));
        rig.path.receive(QByteArray("d\n"));
        QTRY_COMPARE(rig.display.text(), QStringLiteral("a[LF]\r\nbc[LF]\r\nd[LF]<002>\r\n"));
    }

    // The boxes are read at each read: a change between two reads shows in
    // the second.
    void boxesReadAtEachRead()
    {
        Rig rig(QStringLiteral("150"));
        rig.path.receive(QByteArray("A\n"));
        rig.t2 = QStringLiteral("60");
        rig.path.receive(QByteArray("A\n"));
        rig.t4 = QString();
        rig.path.receive(QByteArray("A\n"));
        rig.t4 = QStringLiteral("31");
        rig.t1 = QStringLiteral("0");
        rig.path.receive(QByteArray("\n"));
        QCOMPARE(rig.display.text(), QStringLiteral("A[LF][41][LF][41]\n[LF]\r\n"));
    }

    // A read while T rounds to 0 cancels a line end pending from before.
    void idleReadCancelsPendingLineEnd()
    {
        Rig rig(QStringLiteral("150"));
        rig.path.receive(QByteArray("a"));
        QVERIFY(rig.path.lineTimer().armed());
        rig.t1 = QStringLiteral("0.3");
        rig.path.receive(QByteArray("b"));
        QVERIFY(!rig.path.lineTimer().armed());
        QCOMPARE(rig.path.lineByteCount(), qint64(2));
    }

    // An empty read appends nothing but still restarts the timer.
    void emptyRead()
    {
        Rig rig(QStringLiteral("150"));
        rig.display.append(QStringLiteral("hello"));
        rig.path.receive(QByteArray());
        QCOMPARE(rig.display.text(), QStringLiteral("hello"));
        QVERIFY(rig.path.lineTimer().armed());
        QTRY_COMPARE(rig.display.text(), QStringLiteral("hello<000>\r\n"));
    }

    void timedLineEnd_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "<000>\r\n";
        QTest::newRow("999") << qint64(999) << "<999>\r\n";
        QTest::newRow("1000") << qint64(1000) << "<1000>\r\n";
        QTest::newRow("past 32 bits") << qint64(4294967296) << "<4294967296>\r\n";
    }
    void timedLineEnd()
    {
        QFETCH(qint64, count);
        QFETCH(QString, text);
        Rig rig(QStringLiteral("150"));
        rig.path.setLineByteCount(count);
        rig.path.lineTimeout();
        QCOMPARE(rig.display.text(), text);
        QCOMPARE(rig.path.lineByteCount(), qint64(0));
    }

    // The count goes past the 32-bit limit correctly and never wraps.
    void countNeverWraps()
    {
        Rig rig(QStringLiteral("0"));
        rig.path.setLineByteCount(std::numeric_limits<qint32>::max());
        rig.path.receive(QByteArray("ab"));
        QCOMPARE(rig.path.lineByteCount(), qint64(std::numeric_limits<qint32>::max()) + 2);
        rig.path.setLineByteCount(std::numeric_limits<qint64>::max() - 1);
        rig.path.receive(QByteArray("abc"));
        QCOMPARE(rig.path.lineByteCount(), std::numeric_limits<qint64>::max());
    }

    void lineTimer()
    {
        LineTimer timer;
        QSignalSpy fired(&timer, &LineTimer::fired);
        QVERIFY(timer.enabled());
        QVERIFY(!timer.armed());
        timer.setInterval(10);
        QTRY_VERIFY(fired.count() >= 2); // repeats until told otherwise
        timer.setEnabled(false);
        QVERIFY(!timer.armed());
        QCOMPARE(timer.interval(), 10);
    }

    void commEvents_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("portBox");
        QTest::addColumn<QString>("status");
        QTest::newRow("break") << 1001 << "2" << "Comm Break Detected";
        QTest::newRow("frame") << 1004 << "2" << "Comm Frame Error";
        QTest::newRow("overrun") << 1006 << "2" << "Comm OverRun Error";
        QTest::newRow("overflow") << 1008 << "2" << "Comm OverFlow Error";
        QTest::newRow("parity") << 1009 << "2" << "Comm Parity Error";
        QTest::newRow("tx full") << 1010 << "2" << "Comm Tx Buffer Full";
        QTest::newRow("DCB") << 1011 << "2" << "Comm Device Control Block Error";
        QTest::newRow("CTS") << 3 << "2" << "Errore n.3 su COM2";
        QTest::newRow("CTS time-out") << 1002 << "2" << "Errore n.1002 su COM2";
        QTest::newRow("gap in the table") << 1005 << "2" << "Errore n.1005 su COM2";
        QTest::newRow("device gone") << 68 << "3" << "Errore n.68 su COM3";
        QTest::newRow("box edited") << 3 << " 12x" << "Errore n.3 su COM 12x";
        QTest::newRow("box empty") << 3 << "" << "Errore n.3 su COM";
        QTest::newRow("receive sets nothing") << 2 << "2" << QString();
    }
    void commEvents()
    {
        QFETCH(int, code);
        QFETCH(QString, portBox);
        QFETCH(QString, status);
        const QString got = commEventStatus(CommEvent(code), portBox);
        QCOMPARE(got, status);
        QCOMPARE(got.isNull(), status.isNull());
    }
};

QTEST_MAIN(TestReceivePath)
#include "tst_receive_path.moc"
