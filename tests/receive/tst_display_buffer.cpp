#include "receive/display_accessible.h"
#include "receive/display_buffer.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace quillar;

namespace {

// A text of n characters that shows where any piece of it came from.
QString filler(qsizetype n)
{
    QString s;
    s.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        s += QChar(u'a' + char16_t(i % 26));
    return s;
}

// Line starts found the slow way, to hold the buffer's index against.
QList<qsizetype> lineStartsOf(const QString &text)
{
    QList<qsizetype> starts{0};
    for (qsizetype i = text.indexOf(QLatin1String("\r\n")); i >= 0;
         i = text.indexOf(QLatin1String("\r\n"), i + 2))
        starts.append(i + 2);
    return starts;
}

void checkIndex(const DisplayBuffer &d)
{
    const QList<qsizetype> expected = lineStartsOf(d.text());
    QCOMPARE(d.lineCount(), expected.size());
    qsizetype longest = 0;
    for (qsizetype line = 0; line < d.lineCount(); ++line) {
        QCOMPARE(d.lineStart(line), expected[line]);
        const qsizetype end = line + 1 < expected.size() ? expected[line + 1] - 2 : d.length();
        QCOMPARE(d.lineText(line), QStringView(d.text()).mid(expected[line], end - expected[line]));
        longest = std::max(longest, end - expected[line]);
    }
    QCOMPARE(d.maxLineLength(), longest);
}

} // namespace

class TestDisplayBuffer : public QObject
{
    Q_OBJECT

private slots:
    // A text ending in LF cuts a display past 19999 characters to its last
    // 19900 before it is added; past 100000 the safety net cuts after.
    void trim_data()
    {
        QTest::addColumn<qsizetype>("before");
        QTest::addColumn<QString>("appended");
        QTest::addColumn<qsizetype>("length"); // after the append; the text is the tail of before + appended
        const qsizetype kept = DisplayBuffer::KeptLength;
        QTest::newRow("19999 and LF: no cut") << qsizetype(19999) << "x\n" << qsizetype(20001);
        QTest::newRow("20000 and LF: cut") << qsizetype(20000) << "x\n" << kept + 2;
        QTest::newRow("20000 and CR alone: no cut") << qsizetype(20000) << "x\r" << qsizetype(20002);
        QTest::newRow("20000 and LF inside: no cut") << qsizetype(20000) << "\nx" << qsizetype(20002);
        QTest::newRow("up to 100000 exactly: no safety cut") << qsizetype(99990) << "0123456789" << qsizetype(100000);
        QTest::newRow("one past 100000: safety cut") << qsizetype(99990) << "0123456789A" << kept;
        QTest::newRow("one huge text") << qsizetype(0) << filler(250000) << kept;
    }
    void trim()
    {
        QFETCH(qsizetype, before);
        QFETCH(QString, appended);
        QFETCH(qsizetype, length);
        DisplayBuffer d;
        const QString old = filler(before);
        d.append(old);
        QCOMPARE(d.text(), old);
        d.append(appended);
        QCOMPARE(d.text(), (old + appended).right(length));
        QCOMPARE(d.caret(), d.length());
        checkIndex(d);
    }

    // A cut that falls between CR and LF leaves the LF as an ordinary
    // character at the start of the first line.
    void cutSplitsLineBreak()
    {
        DisplayBuffer d;
        QString old = filler(20000);
        old[99] = QLatin1Char('\r');
        old[100] = QLatin1Char('\n');
        old[500] = QLatin1Char('\r');
        old[501] = QLatin1Char('\n');
        d.append(old);
        QCOMPARE(d.lineCount(), qsizetype(3));
        d.append(QStringLiteral("[LF]\r\n"));
        QVERIFY(d.text().startsWith(QLatin1Char('\n')));
        QCOMPARE(d.lineCount(), qsizetype(3));
        QCOMPARE(d.lineStart(1), qsizetype(502 - 100));
        checkIndex(d);
    }

    void linesAndPositions_data()
    {
        QTest::addColumn<qsizetype>("pos");
        QTest::addColumn<qsizetype>("line");
        // "ab\r\ncd\r\n\r\nef": lines start at 0, 4, 8, 10.
        QTest::newRow("between CR and LF") << qsizetype(3) << qsizetype(0);
        QTest::newRow("start of second") << qsizetype(4) << qsizetype(1);
        QTest::newRow("empty line") << qsizetype(8) << qsizetype(2);
        QTest::newRow("end of text") << qsizetype(12) << qsizetype(3);
        QTest::newRow("past the end clamps") << qsizetype(99) << qsizetype(3);
        QTest::newRow("negative clamps") << qsizetype(-5) << qsizetype(0);
    }
    void linesAndPositions()
    {
        QFETCH(qsizetype, pos);
        QFETCH(qsizetype, line);
        DisplayBuffer d;
        d.append(QStringLiteral("ab\r\ncd\r\n\r\nef"));
        QCOMPARE(d.lineOfPosition(pos), line);
        QCOMPARE(d.lineText(2), QStringView());
        QCOMPARE(d.lineText(3), QStringView(u"ef"));
    }

    // Every append, the empty one too, drops the selection and moves the
    // caret to the end, with one notice of each kind.
    void appendResetsSelection_data()
    {
        QTest::addColumn<QString>("appended");
        QTest::newRow("text") << "more";
        QTest::newRow("empty") << "";
    }
    void appendResetsSelection()
    {
        QFETCH(QString, appended);
        DisplayBuffer d;
        d.append(QStringLiteral("hello world"));
        d.setSelection(2, 5);
        QCOMPARE(d.selectedText(), QStringLiteral("llo"));
        QSignalSpy text(&d, &DisplayBuffer::textChanged);
        QSignalSpy selection(&d, &DisplayBuffer::selectionChanged);
        d.append(appended);
        QCOMPARE(d.text(), QStringLiteral("hello world") + appended);
        QCOMPARE(d.caret(), d.length());
        QCOMPARE(d.anchor(), d.length());
        QCOMPARE(text.count(), 1);
        QCOMPARE(selection.count(), 1);
    }

    // What assistive technology is told between two looks (removed at the
    // front, inserted at the end), applied to what it knew, is the text now:
    // through cuts, the safety net, clears and many appends between looks.
    void announcedChangesReplay()
    {
        DisplayBuffer d;
        QRandomGenerator random(7);
        QString known = d.text();
        qint64 knownRemoved = d.removedCount();
        for (int step = 0; step < 3000; ++step) {
            const int roll = random.bounded(100);
            if (roll == 0)
                d.clear();
            else
                d.append(filler(random.bounded(1, 400)) + (roll < 40 ? QStringLiteral("\r\n") : QString()));
            if (random.bounded(10) != 0)
                continue;
            const TextDelta delta = textDelta(known, d.removedCount() - knownRemoved, d.text());
            QVERIFY(known.startsWith(delta.removed));
            known = known.mid(delta.removed.size());
            QCOMPARE(delta.insertAt, known.size());
            known += delta.inserted;
            QCOMPARE(known, d.text());
            knownRemoved = d.removedCount();
        }
    }

    void selectionClamps()
    {
        DisplayBuffer d;
        d.append(QStringLiteral("abcdef"));
        d.setSelection(10, -3);
        QCOMPARE(d.selStart(), qsizetype(0));
        QCOMPARE(d.selectedText(), QStringLiteral("abcdef"));
        d.setSelection(4, 1);
        QCOMPARE(d.selectedText(), QStringLiteral("bcd"));
        d.clear();
        QCOMPARE(d.text(), QString());
        QCOMPARE(d.lineCount(), qsizetype(1));
        QCOMPARE(d.selLength(), qsizetype(0));
        QCOMPARE(d.maxLineLength(), qsizetype(0));
    }
};

QTEST_APPLESS_MAIN(TestDisplayBuffer)
#include "tst_display_buffer.moc"
