#include "receive/text_delta.h"
#include "receive/display_buffer.h"
#include "receive/time_column.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <vector>

using namespace quillar;

// A text of n characters that shows where any piece of it came from.
static QString filler(qsizetype n)
{
    QString s(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        s[i] = QChar(u'a' + char16_t(i % 26));
    return s;
}

// 12:00:00.000 UTC on a day in 2026, in milliseconds since the epoch.
static constexpr qint64 Noon = 1796558400000;

class TestDisplayBuffer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC"); // the time column's time of day is local
        ::tzset();
    }

    // A text ending in LF cuts a display past the threshold to its kept
    // characters before it is added; past the safety length it is cut after.
    // The default scrollback keeps the model's numbers (19999, 19900, 100000);
    // N keeps N - N/200 past N - 1, with a safety net N + 80000.
    void append_data()
    {
        QTest::addColumn<int>("scrollback");
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("appended");
        QTest::addColumn<int>("length"); // after the append: the tail of before + appended
        QTest::newRow("19999 and LF: no cut") << 0 << 19999 << "x\n" << 20001;
        QTest::newRow("20000 and LF: cut") << 0 << 20000 << "x\n" << 19900 + 2;
        QTest::newRow("20000 and CR alone: no cut") << 0 << 20000 << "x\r" << 20002;
        QTest::newRow("20000 and LF inside: no cut") << 0 << 20000 << "\nx" << 20002;
        QTest::newRow("up to 100000 exactly: no safety cut") << 0 << 99990 << "0123456789" << 100000;
        QTest::newRow("one past 100000: safety cut") << 0 << 99990 << "0123456789A" << 19900;
        QTest::newRow("one huge text") << 0 << 0 << filler(250000) << 19900;
        QTest::newRow("empty") << 0 << 5 << "" << 5;
        QTest::newRow("scrollback 1000: 999 kept whole") << 1000 << 999 << "\n" << 1000;
        QTest::newRow("scrollback 1000: 1000 cut to 995") << 1000 << 1000 << "\n" << 996;
        QTest::newRow("scrollback 1000: safety at 81000") << 1000 << 80999 << "ab" << 995;
        QTest::newRow("scrollback 300000 keeps a huge text") << 300000 << 0 << filler(250000) << 250000;
    }
    void append()
    {
        QFETCH(int, scrollback);
        QFETCH(int, before);
        QFETCH(QString, appended);
        QFETCH(int, length);
        DisplayBuffer d;
        if (scrollback)
            d.setScrollback(scrollback);
        const QString old = filler(before);
        d.append(old);
        QSignalSpy text(&d, &DisplayBuffer::textChanged);
        QSignalSpy selection(&d, &DisplayBuffer::selectionChanged);
        d.append(appended);
        QCOMPARE(d.text(), (old + appended).right(length));
        QCOMPARE(std::pair(d.anchor(), d.caret()), std::pair(d.length(), d.length()));
        QCOMPARE(text.count(), 1);
        QCOMPARE(selection.count(), 1);
    }

    // What each change tells a view, lines by their numbers: the first line
    // whose characters changed, the whole lines cut at the front, a clear,
    // and the lines the selection or caret left and reached.
    void changeReport_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("action"); // append TEXT, select A C, hold A C (then append "\r\nx"), clear
        QTest::addColumn<QString>("report"); // text renumbered linesCut linesFrom selectionFrom selectionTo
        const QString three = QStringLiteral("ab\r\ncd\r\nef");
        const QString full = QStringLiteral("12345678\r\n").repeated(2000);
        QTest::newRow("the last line grows, the caret with it") << three << "append gh"
                                                                << "1 0 0 2 2 2";
        QTest::newRow("new lines") << three << "append \r\nx\r\n"
                                   << "1 0 0 2 2 4";
        QTest::newRow("a held selection stays") << three << "hold 1 4"
                                                << "1 0 0 2 - -";
        QTest::newRow("whole lines cut at the front") << full << "append z\r\n"
                                                      << "1 0 10 10 2000 2001";
        QTest::newRow("cleared") << three << "clear"
                                 << "1 1 0 3 3 3";
        QTest::newRow("selected: the caret's line and the selection's") << three << "select 4 1"
                                                                        << "0 0 0 - 0 2";
        QTest::newRow("the caret moved back") << three << "select 0 0"
                                              << "0 0 0 - 0 2";
    }
    void changeReport()
    {
        QFETCH(QString, before);
        QFETCH(QString, action);
        QFETCH(QString, report);
        DisplayBuffer d;
        d.append(before);
        const QStringList words = action.split(QLatin1Char(' '));
        if (words[0] == QLatin1String("hold"))
            d.setSelection(words[1].toInt(), words[2].toInt());
        std::vector<DisplayChange> changes;
        connect(&d, &DisplayBuffer::changed, this, [&](const DisplayChange &c) { changes.push_back(c); });
        if (words[0] == QLatin1String("append"))
            d.append(action.mid(7));
        if (words[0] == QLatin1String("hold"))
            d.append(QStringLiteral("\r\nx"));
        if (words[0] == QLatin1String("select"))
            d.setSelection(words[1].toInt(), words[2].toInt());
        if (words[0] == QLatin1String("clear"))
            d.clear();
        QCOMPARE(changes.size(), std::size_t(1));
        const DisplayChange &c = changes[0];
        const auto line = [](qint64 n) {
            return n == DisplayChange::NoLine || n < 0 ? QStringLiteral("-") : QString::number(n);
        };
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(int(c.text))
                     .arg(int(c.renumbered))
                     .arg(c.linesCut)
                     .arg(line(c.linesFrom), line(c.selectionFrom), line(c.selectionTo)),
                 report);
    }

    // Appends move the caret to the end only while the view follows with
    // nothing selected; otherwise caret and selection stay on their
    // characters, also as a cut takes the front (100 characters here), and
    // with it what they held.
    void appendKeepsWhatTheUserHolds_data()
    {
        QTest::addColumn<bool>("following");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("newAnchor");
        QTest::addColumn<int>("newCaret");
        QTest::newRow("following, nothing selected: to the end") << true << 7 << 7 << 19902 << 19902;
        QTest::newRow("following, a selection stays") << true << 510 << 500 << 410 << 400;
        QTest::newRow("scrolled away, the caret stays") << false << 600 << 600 << 500 << 500;
        QTest::newRow("cut into the selection") << true << 50 << 150 << 0 << 50;
        QTest::newRow("cut through the selection") << false << 10 << 20 << 0 << 0;
    }
    void appendKeepsWhatTheUserHolds()
    {
        QFETCH(bool, following);
        QFETCH(int, anchor);
        QFETCH(int, caret);
        QFETCH(int, newAnchor);
        QFETCH(int, newCaret);
        DisplayBuffer d;
        const QString before = filler(20000);
        d.append(before);
        d.setFollowing(following);
        d.setSelection(anchor, caret);
        d.append(QStringLiteral("\r\n"));
        QCOMPARE(std::pair(d.anchor(), d.caret()), std::pair(qsizetype(newAnchor), qsizetype(newCaret)));
        const int from = std::max(std::min(anchor, caret), 100), to = std::max(std::max(anchor, caret), 100);
        QCOMPARE(d.selectedText(), before.mid(from, to - from));
    }

    // Each line has the time of the append that brought its first
    // character (its CR, for an empty line); the last line has none until
    // it has a character. Cuts keep the times of the lines they shorten; a
    // lone LF that joins the next line leaves that line its own. Clear
    // forgets them. The column shows them in each of its ways.
    void lineTimes_data()
    {
        QTest::addColumn<QStringList>("steps");     // "+N": N ms pass; "clear", "open"; else a text (\n, \r)
        QTest::addColumn<QStringList>("timeOfDay"); // per line: the column's texts, '|' between ways
        QTest::newRow("lines, split CR LF, empty line")
            << QStringList{"open", "+125", "ab", "+1000", "c\r", "+5", "\nd\r\n\r\n", "+250", "e"}
            << QStringList{"12:00:00.125||+0.125", "12:00:01.130|+1.005|+1.130", "12:00:01.130|+0.000|+1.130",
                           "12:00:01.380|+0.250|+1.380"};
        QTest::newRow("no time before the first character; none to count from before an open")
            << QStringList{"x\r\n", "+40", "open", "+10", "y\r\n"}
            << QStringList{"12:00:00.000||", "12:00:00.050|+0.050|+0.010", ""};
        QTest::newRow("a cut in the middle of a line keeps its time")
            << QStringList{"open", "+1", "{19998}", "+2", "{98}\r\n", "+3", "z\r\n"}
            << QStringList{"12:00:00.001||+0.001", "12:00:00.006|+0.005|+0.006", ""};
        QTest::newRow("the first line counts from the line cut before it")
            << QStringList{"{100}\r\n", "+7", "{19900}", "+1000", "x\r\n", "+1", "more"}
            << QStringList{"12:00:00.007|+0.007|", "12:00:01.008|+1.001|"};
        QTest::newRow("cut between CR and LF: the lone LF joins the next line, which keeps its time")
            << QStringList{"{99}\r", "+9", "\n", "{19899}", "+1", "[LF]\r\n"}
            << QStringList{"12:00:00.009|+0.009|", ""};
        QTest::newRow("cleared: nothing to count from")
            << QStringList{"open", "a\r\n", "+60", "clear", "+1", "b\r\n"} << QStringList{"12:00:00.061||+0.061", ""};
        QTest::newRow("the clock set back, and 50 days later")
            << QStringList{"a\r\n", "-3600000", "b\r\n", "+4323600000", "c"}
            << QStringList{"12:00:00.000||", "11:00:00.000|-3600.000|", "12:00:00.000|+4323600.000|"};
    }
    void lineTimes()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, timeOfDay);
        qint64 now = Noon;
        DisplayBuffer d(nullptr, [&now] { return now; });
        for (const QString &step : steps) {
            if (step == QLatin1String("open"))
                d.markPortOpened(now);
            else if (step == QLatin1String("clear"))
                d.clear();
            else if (step.startsWith(u'+') || step.startsWith(u'-'))
                now += step.toLongLong();
            else if (step.startsWith(u'{'))
                d.append(filler(step.mid(1, step.indexOf(u'}') - 1).toInt()) + step.mid(step.indexOf(u'}') + 1));
            else
                d.append(step);
        }
        QStringList shown;
        for (qsizetype line = 0; line < d.lineCount(); ++line) {
            QStringList ways;
            for (const TimeColumn column : {TimeColumn::TimeOfDay, TimeColumn::SincePrevious, TimeColumn::SinceOpen})
                ways << lineTimeText(column, d, line);
            QCOMPARE(lineTimeText(TimeColumn::Off, d, line), QString());
            shown << (ways.join(u'|') == QLatin1String("||") ? QString() : ways.join(u'|'));
        }
        QCOMPARE(shown, timeOfDay);
    }

    // The time of day is local, summer time included.
    void timeOfDay_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTC") << QByteArray("UTC") << Noon + 59999 << "12:00:59.999";
        QTest::newRow("half an hour ahead") << QByteArray("Asia/Kolkata") << Noon + 7 << "17:30:00.007";
        QTest::newRow("Rome in summer") << QByteArray("Europe/Rome") << Noon - 100LL * 86400000 << "14:00:00.000";
        QTest::newRow("Rome in winter") << QByteArray("Europe/Rome") << Noon << "13:00:00.000";
        QTest::newRow("before 1970") << QByteArray("UTC") << qint64(-1) << "23:59:59.999";
    }
    void timeOfDay()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, ms);
        qputenv("TZ", zone);
        ::tzset();
        QTEST(timeOfDayText(ms), "shown");
        qputenv("TZ", "UTC");
        ::tzset();
    }

    // What assistive technology is told between two looks (removed at the
    // front, inserted at the end), applied to what it knew, is the text now:
    // through cuts, the safety net, clears and many appends between looks.
    void announcedChangesReplay()
    {
        DisplayBuffer d;
        QRandomGenerator random(7);
        QString known = d.text();
        TextSlice announced = d.slice(0, d.length());
        qint64 announcedFrom = d.removedCount();
        for (int step = 0; step < 3000; ++step) {
            const int roll = random.bounded(100);
            if (roll == 0)
                d.clear();
            else
                d.append(filler(random.bounded(1, 400)) + (roll < 40 ? QStringLiteral("\r\n") : QString()));
            if (random.bounded(10) != 0)
                continue;
            const TextDelta delta = textDelta(announced, announcedFrom, d);
            QVERIFY(known.startsWith(delta.removed));
            known = known.mid(delta.removed.size());
            QCOMPARE(delta.insertAt, known.size());
            known += delta.inserted;
            QCOMPARE(known, d.text());
            announced = d.slice(0, d.length());
            announcedFrom = d.removedCount();
        }
    }
};

QTEST_APPLESS_MAIN(TestDisplayBuffer)
#include "tst_display_buffer.moc"
