#include "receive/display_buffer.h"
#include "receive/receive_path.h"
#include "support/manual_clock.h"

#include <QSignalSpy>
#include <QTest>

using namespace quillar;

namespace {

// The receive path with the three boxes as plain strings the test edits and
// gives it as the window does, on a clock that moves only when the test says so.
struct Rig
{
    explicit Rig(const QString &lineFeedTime) : settings{QStringLiteral("31"), QStringLiteral("128"), lineFeedTime}
    {
        path.setLineSink([this](QByteArrayView line, qint64 ms) {
            const QString bytes = QString::fromLatin1(line)
                                      .replace(QLatin1Char('\r'), QLatin1String("\\r"))
                                      .replace(QLatin1Char('\n'), QLatin1String("\\n"));
            lines << QString::number(ms - test::ManualClock::WallAtStart) + QLatin1Char(':') + bytes;
        });
    }

    // "+N": N ms pass, and the timer fires if its time comes meanwhile;
    // "T=v": Text1 edited to v (its Change event); "T4=v", "T2=v": the
    // bounds edited; "@N:bytes|@M:bytes...": one hand-over of reads taken
    // N, M... ms after the clock's start; anything else: one read of those
    // bytes (Latin-1), taken now; "(LF)": the forced line feed; "(back)":
    // the device returned.
    void play(const QStringList &steps)
    {
        for (const QString &step : steps) {
            if (step.startsWith(QLatin1Char('+'))) {
                clock.advance(std::chrono::milliseconds(step.mid(1).toLongLong()));
            } else if (step.startsWith(QLatin1String("T="))) {
                settings.lineFeedTime = step.mid(2);
                path.setSettings(settings);
                path.lineFeedTimeChanged();
            } else if (step.startsWith(QLatin1String("T4=")) || step.startsWith(QLatin1String("T2="))) {
                (step[1] == QLatin1Char('4') ? settings.lowerBound : settings.higherBound) = step.mid(3);
                path.setSettings(settings);
            } else if (step == QLatin1String("(LF)")) {
                path.forcedLineFeed();
            } else if (step == QLatin1String("(back)")) {
                path.deviceReturned();
            } else if (step.startsWith(QLatin1String("(back"))) { // "(back1)": side 1 returned
                path.sideReturned(step.mid(5, 1).toInt());
            } else if (step.startsWith(QLatin1String("sides:"))) {
                // "sides:ab|c|de": one hand-over, its parts from side 0, 1, 0...
                StampedBytes input{{}, {{0, clock.msSinceEpoch()}}, {}};
                const QStringList parts = step.mid(6).split(QLatin1Char('|'));
                for (qsizetype i = 0; i < parts.size(); ++i) {
                    input.sides.push_back({input.bytes.size(), int(i % 2)});
                    input.bytes += parts[i].toLatin1();
                }
                path.receive(input);
            } else if (step.startsWith(QLatin1Char('@'))) {
                StampedBytes input;
                for (const QString &piece : step.split(QLatin1Char('|'))) {
                    const qsizetype colon = piece.indexOf(QLatin1Char(':'));
                    input.marks.push_back(
                        {input.bytes.size(), test::ManualClock::WallAtStart + piece.mid(1, colon - 1).toLongLong()});
                    input.bytes += piece.mid(colon + 1).toLatin1();
                }
                path.receive(input);
            } else {
                read(step.toLatin1());
            }
        }
    }

    // One read, taken now.
    void read(const QByteArray &bytes) { path.receive({bytes, {{0, clock.msSinceEpoch()}}}); }

    ReceiveSettings settings;
    test::ManualClock clock;
    DisplayBuffer display;
    ReceivePath path{display, settings, clock};
    // Each ended line's received bytes as "ms:bytes", CR and LF escaped.
    QStringList lines;
};

} // namespace

class TestReceivePath : public QObject
{
    Q_OBJECT

private slots:
    // Each read is rendered with the boxes as they stand: bytes strictly between
    // the bounds as themselves (Windows-1252), CR and LF as [CR] and [LF], the
    // rest as [XX]. The timed line end "<count>" CR LF comes a full T after the
    // last read, counts the bytes since the last line end or change of Text1,
    // and leaves the timer idle. T: Text1 in whole ms; 0 breaks after each [LF].
    void reads_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("display");
        QTest::newRow("bounds excluded, hex upper case")
            << "150" << QStringList{"\x1f ~\x7f\u0080\x1b\u00ff"} << "[1F] ~\x7f[80][1B][FF]";
        QTest::newRow("CR and LF marked, not kept") << "150" << QStringList{"a\r\nb"} << "a[CR][LF]b";
        QTest::newRow("code page") << "150" << QStringList{"T2=256", "\u0080\u009d\u00e9"}
                                   << QString::fromUtf16(u"\u20ac\u009d\u00e9");
        QTest::newRow("bounds around CR and LF: raw") << "0" << QStringList{"T4=9", "T2=14", "\r\n"} << "\r\n";
        QTest::newRow("exponent in a bound; empty is 0") << "150"
                                                         << QStringList{"T2=1e2", "T4=",
                                                                        "\x01"
                                                                        "cd"}
                                                         << "\x01"
                                                            "c[64]";
        QTest::newRow("bounds inverted: nothing raw") << "150" << QStringList{"T4=200", "T2=100", "A"} << "[41]";
        QTest::newRow("boxes read at each read")
            << "150" << QStringList{"A", "T2=60", "A", "T4=", "\n", "T4=31", "T=0", "\n"} << "A[41]\n[LF]\r\n";
        QTest::newRow("a full T after the last read")
            << "150" << QStringList{"abc", "+100", "de", "+150"} << "abcde<005>\r\n";
        QTest::newRow("not a ms before") << "150" << QStringList{"abc", "+100", "de", "+149"} << "abcde";
        QTest::newRow("bytes counted, not reads")
            << "150" << QStringList{"12", "3", "+0", "4567", "+150"} << "1234567<007>\r\n";
        QTest::newRow("idle after a line end") << "150" << QStringList{"ab", "+150", "+150", "+99999"} << "ab<002>\r\n";
        QTest::newRow("the next line counts anew")
            << "150" << QStringList{"abc", "+150", "de", "+150"} << "abc<003>\r\nde<002>\r\n";
        QTest::newRow("an empty read restarts T") << "150" << QStringList{"x", "+100", "", "+149"} << "x";
        QTest::newRow("T rounded, not cut") << "149.7" << QStringList{"x", "+149"} << "x";
        QTest::newRow("0: line feeds end lines") << "0" << QStringList{"a\n", "b", "+99999"} << "a[LF]\r\nb";
        QTest::newRow("-0 is 0") << "-0" << QStringList{"a\n", "+99999"} << "a[LF]\r\n";
        QTest::newRow("blank acts like 0") << "" << QStringList{"a\n", "+99999"} << "a[LF]\r\n";
        QTest::newRow("0.3 rounds to 0 yet breaks nothing") << "0.3" << QStringList{"a\n", "+99999"} << "a[LF]";
        QTest::newRow("negative: no end of either kind") << "-20" << QStringList{"a\n", "+99999"} << "a[LF]";
        QTest::newRow("huge ends at the longest") << "1e12" << QStringList{"a", "+2147483647"} << "a<001>\r\n";
        QTest::newRow("change of Text1 restarts the count")
            << "150" << QStringList{"12345", "T=200", "+150"} << "12345<000>\r\n";
        QTest::newRow("a read after a change counts from it")
            << "150" << QStringList{"12", "T=200", "xyz", "+200"} << "12xyz<003>\r\n";
        QTest::newRow("read at 0 cancels a pending end") << "150" << QStringList{"a", "T=0.3", "b", "+99999"} << "ab";
        QTest::newRow("a shorter T does not wait for a longer one")
            << "600000" << QStringList{"ab", "T=20", "c", "+20"} << "abc<001>\r\n";
        QTest::newRow("line-feed mode, then timed")
            << "0" << QStringList{"a\n", "bc\n", "T=20", "d\n", "+20"} << "a[LF]\r\nbc[LF]\r\nd[LF]<002>\r\n";
    }
    // A pair's sides never share a line: a change of side ends it as the
    // line-end rule would, and every line starts with its side's name.
    void sides_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("display");
        QTest::newRow("line feeds: a bare line end")
            << "0" << QStringList{"sides:a\nb|c|d\n"} << "host > a[LF]\r\nhost > b\r\nmodem> c\r\nhost > d[LF]\r\n";
        QTest::newRow("the same side goes on across reads")
            << "0" << QStringList{"sides:ab", "sides:cd"} << "host > abcd";
        QTest::newRow("after a forced line feed, the name again")
            << "0" << QStringList{"sides:a", "(LF)", "sides:b"} << "host > a(LF)\r\nhost > b";
        QTest::newRow("a side back ends its own line only")
            << "0" << QStringList{"sides:a", "(back1)", "sides:b", "(back0)", "sides:c"} << "host > ab\r\nhost > c";
        QTest::newRow("after a timed end, the name again")
            << "150" << QStringList{"sides:a", "+150", "sides:b", "+150"} << "host > a<001>\r\nhost > b<001>\r\n";
    }
    void sides()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(QStringList, steps);
        QFETCH(QString, display);
        Rig rig(lineFeedTime);
        rig.path.setSideNames({QStringLiteral("host"), QStringLiteral("modem")});
        rig.play(steps);
        QCOMPARE(rig.display.text(), display);
    }

    // The name before a line moves no marker: a device's own "[" stays
    // text, and an escape sequence after it is still read as one.
    void sidesKeepMarkers()
    {
        Rig rig(QStringLiteral("0"));
        rig.path.setSideNames({QStringLiteral("A"), QStringLiteral("B")});
        rig.display.setShowChoices({.colours = true});
        rig.play({"sides:x\n|[\x1b[31mred\x1b[0m[\n|y"});
        QCOMPARE(rig.display.text(), QStringLiteral("A> x[LF]\r\nB> [[1B][31mred[1B][0m[[LF]\r\nA> y"));
        QCOMPARE(rig.display.shownLine(1).text(), QStringLiteral("B> [red[[LF]"));
        QCOMPARE(rig.display.shownLine(1).cells[4].style.foreground, CellStyle::palette(1));
    }

    void reads()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(QStringList, steps);
        QFETCH(QString, display);
        Rig rig(lineFeedTime);
        rig.play(steps);
        QCOMPARE(rig.display.text(), display);
    }

    // A line shows the time its first byte was read, however many reads a
    // hand-over holds (the window's own, end to end, are the reconnect
    // test's). Times: each line's, in ms after the clock's start. Each line
    // that ended is handed on once, as its received bytes with that time
    // ("lines", the plot's feed), whatever ended it.
    void lineTimes_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("times");
        QTest::addColumn<QString>("lines");
        QTest::newRow("later reads leave a line's time; the next line takes its own")
            << "0" << QStringList{"@0:ab|@7:c\nd|@9:e"} << "abc[LF]\r\nde"
            << "0 7"
            << "0:abc\\n";
        QTest::newRow("after a timed line end, the next read's")
            << "150" << QStringList{"@0:ab|@5:c", "+150", "@400:d"} << "abc<003>\r\nd"
            << "0 400"
            << "0:abc";
        QTest::newRow("CR LF let through, split over reads; empty lines")
            << "0" << QStringList{"T4=9", "T2=200", "@0:\r\n|@3:\r|@4:\n|@6:x"} << "\r\n\r\nx"
            << "0 3 6"
            << "0:\\r\\n|3:\\r\\n";
        QTest::newRow("a lone LF let through stays in its line")
            << "0" << QStringList{"T4=9", "T2=200", "@0:1\n2\r|@4:\n3"} << "1\n2\r\n3"
            << "0 4"
            << "0:1\\n2\\r\\n";
        QTest::newRow("line feeds do not end timed lines")
            << "150" << QStringList{"@0:1\n2\n", "+150"} << "1[LF]2[LF]<004>\r\n"
            << "0 -"
            << "0:1\\n2\\n";
        QTest::newRow("forced line feed, device's return")
            << "0" << QStringList{"@0:1 2", "(LF)", "@5:3", "(back)", "(back)", "@9:4\n"} << "1 2(LF)\r\n3\r\n4[LF]\r\n"
            << "0 5 9 -"
            << "0:1 2|5:3|9:4\\n";
    }
    void lineTimes()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(QStringList, steps);
        Rig rig(lineFeedTime);
        rig.play(steps);
        QTEST(rig.display.text(), "display");
        QStringList times;
        for (qsizetype line = 0; line < rig.display.lineCount(); ++line) {
            const std::optional<qint64> time = rig.display.lineTime(line);
            times << (time ? QString::number(*time - test::ManualClock::WallAtStart) : QStringLiteral("-"));
        }
        QTEST(times.join(QLatin1Char(' ')), "times");
        QTEST(rig.lines.join(QLatin1Char('|')), "lines");
    }

    // A line the display cut at its front (trimming) is read whole, once;
    // one longer than the plot reads is read up to there.
    void trimmedLineReadWhole()
    {
        Rig rig(QStringLiteral("150"));
        rig.display.setScrollback(1000);
        const QByteArray line = QByteArray("12 ").repeated(40'000);
        rig.play({QString::fromLatin1(line), "+150"});
        QVERIFY(rig.display.length() < line.size());
        QCOMPARE(rig.lines.size(), 1);
        QCOMPARE(rig.lines.front(), QStringLiteral("0:") + QString::fromLatin1(line.first(ReceivedLines::MaxLine)));
    }

    // One read is one append, whatever its size.
    void oneAppendPerRead()
    {
        Rig rig(QStringLiteral("150"));
        QSignalSpy appends(&rig.display, &DisplayBuffer::textChanged);
        rig.play({"", "a", QString(70000, QLatin1Char('b'))});
        QCOMPARE(appends.count(), 3);
    }

    void countGoesPast32BitsAndHolds()
    {
        Rig rig(QStringLiteral("0"));
        rig.path.setLineByteCount(INT32_MAX);
        rig.read("ab");
        QCOMPARE(rig.path.lineByteCount(), INT32_MAX + qint64(2));
        rig.path.setLineByteCount(INT64_MAX - 1);
        rig.read("abc");
        QCOMPARE(rig.path.lineByteCount(), qint64(INT64_MAX));
        QCOMPARE(ReceivePath::timedLineEnd(4294967296), QStringLiteral("<4294967296>\r\n"));
    }

    // A few events, each with the faults it would show: the overrun and
    // overflow texts confused, the number's text altered, the port box
    // tidied, a status for received data.
    void commEvents_data()
    {
        QTest::addColumn<CommEvent>("event");
        QTest::addColumn<QString>("portBox");
        QTest::addColumn<QString>("status");
        QTest::newRow("overrun") << CommEvent::Overrun << "2"
                                 << "Comm OverRun Error";
        QTest::newRow("overflow") << CommEvent::RxOver << "2"
                                  << "Comm OverFlow Error";
        QTest::newRow("modem line, box as it stands") << CommEvent::Cts << " 12x"
                                                      << "Errore n.3 su COM 12x";
        QTest::newRow("device gone") << CommEvent::DeviceLost << ""
                                     << "Errore n.68 su COM";
        QTest::newRow("received data: none") << CommEvent::Receive << "2" << QString();
    }
    void commEvents()
    {
        QFETCH(CommEvent, event);
        QFETCH(QString, portBox);
        QFETCH(QString, status);
        const QString got = commEventStatus(event, portBox);
        QCOMPARE(got, status);
        QCOMPARE(got.isNull(), status.isNull());
    }
};

QTEST_MAIN(TestReceivePath)
#include "tst_receive_path.moc"
