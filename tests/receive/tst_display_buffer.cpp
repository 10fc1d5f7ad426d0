#include "receive/display_accessible.h"
#include "receive/display_buffer.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace quillar;

// A text of n characters that shows where any piece of it came from.
static QString filler(qsizetype n)
{
    QString s(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        s[i] = QChar(u'a' + char16_t(i % 26));
    return s;
}

class TestDisplayBuffer : public QObject
{
    Q_OBJECT

private slots:
    // A text ending in LF cuts a display past 19999 characters to its last
    // 19900 before it is added; past 100000 the safety net cuts after. Every
    // append, the empty one too, leaves the caret at the end with no
    // selection, with one notice of each kind.
    void append_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("appended");
        QTest::addColumn<int>("length"); // after the append: the tail of before + appended
        const int kept = int(DisplayBuffer::KeptLength);
        QTest::newRow("19999 and LF: no cut") << 19999 << "x\n" << 20001;
        QTest::newRow("20000 and LF: cut") << 20000 << "x\n" << kept + 2;
        QTest::newRow("20000 and CR alone: no cut") << 20000 << "x\r" << 20002;
        QTest::newRow("20000 and LF inside: no cut") << 20000 << "\nx" << 20002;
        QTest::newRow("up to 100000 exactly: no safety cut") << 99990 << "0123456789" << 100000;
        QTest::newRow("one past 100000: safety cut") << 99990 << "0123456789A" << kept;
        QTest::newRow("one huge text") << 0 << filler(250000) << kept;
        QTest::newRow("empty") << 5 << "" << 5;
    }
    void append()
    {
        QFETCH(int, before);
        QFETCH(QString, appended);
        QFETCH(int, length);
        DisplayBuffer d;
        const QString old = filler(before);
        d.append(old);
        d.setSelection(1, 3);
        QSignalSpy text(&d, &DisplayBuffer::textChanged);
        QSignalSpy selection(&d, &DisplayBuffer::selectionChanged);
        d.append(appended);
        QCOMPARE(d.text(), (old + appended).right(length));
        QCOMPARE(d.anchor(), d.length());
        QCOMPARE(d.caret(), d.length());
        QCOMPARE(text.count(), 1);
        QCOMPARE(selection.count(), 1);
    }

    // A cut that falls between CR and LF leaves the LF as an ordinary
    // character at the start of the first line.
    void cutSplitsLineBreak()
    {
        DisplayBuffer d;
        d.append(filler(99) + QStringLiteral("\r\n") + filler(19899));
        d.append(QStringLiteral("[LF]\r\n"));
        QVERIFY(d.text().startsWith(QLatin1Char('\n')));
        QCOMPARE(d.lineCount(), qsizetype(2));
        QCOMPARE(d.lineText(0).size(), qsizetype(19900 + 4));
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

};

QTEST_APPLESS_MAIN(TestDisplayBuffer)
#include "tst_display_buffer.moc"
