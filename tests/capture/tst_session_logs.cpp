// Long sessions on the real window and a pseudo-terminal: the raw and text logs, and their failures.
#include "capture/file_appender.h"
#include "capture/text_log.h"
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "port/port_device.h"
#include "receive/display_buffer.h"
#include "support/manual_clock.h"
#include "window/window_on_device.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QThread>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillar;
using namespace std::chrono_literals;
using quillar::test::ScriptedUi;

namespace {

// Bytes no lost, doubled or swapped block can imitate; sizes in whole words.
QByteArray randomBytes(QRandomGenerator &random, qsizetype size)
{
    QByteArray bytes(size, '\0');
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

class TestSessionLogs : public test::WindowOnDevice
{
    Q_OBJECT

    void clickOpenClose() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }

    // Waits, running no events, until the port has read `total` bytes in all.
    [[nodiscard]] bool portHasRead(quint64 total) const
    {
        for (const QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(1)) {
            if (m_window->port().device()->received() >= total)
                return true;
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        // The text log's times are local; the rendering table expects UTC.
        qputenv("TZ", "UTC");
        ::tzset();
    }
    void init() { QVERIFY(startWindow()); }
    void cleanup() { stopWindow(); }

    // The file is every byte received while open, appended at the second
    // Open; closing the window mid-stream loses nothing: the file and what
    // the device holds unread are what was sent.
    void rawLogKeepsEveryByte()
    {
        const QString raw = m_dir->filePath(QStringLiteral("raw.bin"));
        m_window->startLongSession({.rawLog = raw});
        QRandomGenerator random(2463534242u);
        const QByteArray first = randomBytes(random, 1 << 20), second = randomBytes(random, 256 << 10);
        clickOpenClose();
        QVERIFY(m_device->writeAll(first));
        QTRY_COMPARE(QFileInfo(raw).size(), first.size());
        clickOpenClose();
        clickOpenClose();
        QVERIFY(m_device->writeAll(second));
        QTRY_VERIFY(QFileInfo(raw).size() > first.size());
        QCOMPARE(m_seam->callsOf(ScriptedUi::Kind::Message).size(), 0u);
        m_window.reset();
        QByteArray unread; // the terminal hands the last bytes on a moment after their write
        QTRY_VERIFY((unread += m_device->takeUnread(), test::fileBytes(raw) + unread == first + second));
    }

    // The session ends, with either log or both: what the port had read
    // and the display had not shown yet goes into them too, and the text
    // log's line left open is ended.
    void sessionEndLogsWhatWasRead_data()
    {
        QTest::addColumn<bool>("raw");
        QTest::addColumn<bool>("text");
        QTest::newRow("--log") << true << false;
        QTest::newRow("--log-text") << false << true;
        QTest::newRow("both") << true << true;
    }
    void sessionEndLogsWhatWasRead()
    {
        QFETCH(bool, raw);
        QFETCH(bool, text);
        const QString rawPath = m_dir->filePath(QStringLiteral("raw.bin"));
        const QString textPath = m_dir->filePath(QStringLiteral("view.log"));
        m_window->startLongSession({.rawLog = raw ? rawPath : QString(), .textLog = text ? textPath : QString()});
        child<QLineEdit>("Text1")->setText(QStringLiteral("0"));
        clickOpenClose();
        m_window->port().frameClock().setFrame(60s); // after the first hand-over, the rest waits
        QVERIFY(m_device->writeAll("shown\n"));
        QTRY_VERIFY(m_window->display().text().contains(QStringLiteral("shown")));
        QVERIFY(m_device->writeAll("read"));
        QVERIFY(portHasRead(10));
        QVERIFY(!m_window->display().text().contains(QStringLiteral("read")));
        m_window.reset();
        QCOMPARE(QFile::exists(rawPath), raw);
        if (raw)
            QCOMPARE(test::fileBytes(rawPath), QByteArray("shown\nread"));
        QCOMPARE(QFile::exists(textPath), text);
        const QString log = QString::fromUtf8(test::fileBytes(textPath));
        QVERIFY2(!text
                     || QRegularExpression(
                            QStringLiteral("^[-0-9]{10} [:.0-9]{12} shown\\[LF\\]\n[-0-9]{10} [:.0-9]{12} read\n$"))
                            .match(log)
                            .hasMatch(),
                 qPrintable(log));
    }

    // A session made in place of another while the port runs: each read goes
    // into one session's logs, the old one's or the new one's, never both nor
    // neither; what the port had read and not handed over goes to the new one,
    // and the new text log follows the display from its first line.
    void sessionReplacedMidStream()
    {
        const auto path = [this](const char *name) { return m_dir->filePath(QString::fromLatin1(name)); };
        m_window->startLongSession({.rawLog = path("a.bin"), .textLog = path("a.log")});
        child<QLineEdit>("Text1")->setText(QStringLiteral("0"));
        clickOpenClose();
        QVERIFY(m_device->writeAll("shown\n"));
        QTRY_VERIFY(m_window->display().text().contains(QStringLiteral("shown")));
        m_window->port().frameClock().setFrame(60s); // after the first hand-over, the rest waits
        QVERIFY(m_device->writeAll("read\n"));
        QVERIFY(portHasRead(11));
        m_window->startLongSession({.rawLog = path("b.bin"), .textLog = path("b.log")});
        QVERIFY(m_device->writeAll("more\n"));
        QVERIFY(portHasRead(16));
        QVERIFY(!m_window->display().text().contains(QStringLiteral("read")));
        m_window.reset();
        QCOMPARE(test::fileBytes(path("a.bin")), QByteArray("shown\n"));
        QCOMPARE(test::fileBytes(path("b.bin")), QByteArray("read\nmore\n"));
        const QString stamp = QStringLiteral("[-0-9]{10} [:.0-9]{12} ");
        for (const auto &[log, lines] : {std::pair{"a.log", QStringList{"shown"}}, {"b.log", {"read", "more"}}}) {
            const QString text = QString::fromUtf8(test::fileBytes(path(log)));
            QVERIFY2(QRegularExpression(u'^' + stamp + lines.join(QStringLiteral("\\[LF\\]\n") + stamp)
                                        + QStringLiteral("\\[LF\\]\n$"))
                         .match(text)
                         .hasMatch(),
                     qPrintable(text));
        }
    }

    // Every line the display showed, stamped, whatever the display then did
    // with it (trimmed, cleared).
    void textLogFollowsTheDisplay()
    {
        const QString path = m_dir->filePath(QStringLiteral("view.log"));
        m_window->startLongSession({.textLog = path});
        const QString stamp = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"); // sorts as the times do
        QString previous = QDateTime::currentDateTime().addMSecs(-1).toString(stamp);
        auto *lineFeedTime = child<QLineEdit>("Text1");
        lineFeedTime->setText(QStringLiteral("0"));
        clickOpenClose();

        QStringList expected;
        DisplayBuffer &display = m_window->display();
        for (int i = 0; i < 300; ++i) { // well past the display's 20000 characters, in reads of 30 lines
            const QString text = QStringLiteral("L%1 ").arg(i, 4, 10, QLatin1Char('0')) + QString(70, u'x');
            QVERIFY(m_device->writeAll(text.toLatin1() + "\r\n"));
            expected << text + QStringLiteral("[CR][LF]");
            if (i % 30 == 29)
                QTRY_VERIFY(display.text().endsWith(expected.last() + QStringLiteral("\r\n")));
        }
        QVERIFY(display.length() < 300 * 80);

        QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
        expected << QStringLiteral("(LF)");
        QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(display.length(), 0);
        lineFeedTime->setText(QStringLiteral("100"));
        m_window->receivePath().receive({"abc", {}}); // one read, however busy the machine; no time: now
        QTRY_COMPARE(display.lineText(0), QStringLiteral("abc<003>"));
        expected << QStringLiteral("abc<003>");

        m_window.reset(); // the end of the session: everything written
        const QString ended = QDateTime::currentDateTime().addMSecs(1).toString(stamp);
        const QByteArray log = test::fileBytes(path);
        QVERIFY(log.endsWith('\n'));
        const QRegularExpression stamped(QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (.*)$)"));
        QStringList texts;
        for (const QString &line : QString::fromUtf8(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch m = stamped.match(line);
            QVERIFY2(m.hasMatch() && m.captured(1) >= previous && m.captured(1) <= ended, qPrintable(line));
            previous = m.captured(1);
            texts << m.captured(2);
        }
        QCOMPARE(texts, expected);
    }

    // One message naming the file and the reason; the port carries on.
    void logFailureReportedOnce_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("change"); // what befalls the file once written to
        QTest::addColumn<bool>("text");      // the text log, not the raw one
        QTest::newRow("disk full") << "/dev/full" << int(ErrorNumber::DiskFull) << "" << false;
        QTest::newRow("file removed") << "raw.bin" << int(ErrorNumber::FileNotFound) << "remove" << false;
        QTest::newRow("file rotated") << "raw.bin" << int(ErrorNumber::FileNotFound) << "rotate" << false;
        QTest::newRow("text log, disk full") << "/dev/full" << int(ErrorNumber::DiskFull) << "" << true;
    }
    void logFailureReportedOnce()
    {
        QFETCH(QString, failure);
        QFETCH(int, number);
        QFETCH(QString, change);
        QFETCH(bool, text);
        const QString path = failure.startsWith(u'/') ? failure : m_dir->filePath(failure);
        m_window->startLongSession(text ? LongSessionOptions{.textLog = path} : LongSessionOptions{.rawLog = path});
        clickOpenClose();
        const auto boxes = [this] { return m_seam->callsOf(ScriptedUi::Kind::Message); };
        QVERIFY(m_device->writeAll("first "));
        if (!change.isEmpty()) {
            QTRY_VERIFY(QFileInfo(path).size() > 0);
            if (change == "rotate") // renamed away, and a new file where it was
                QVERIFY(QFile::rename(path, path + ".1") && QFile(path).open(QIODevice::WriteOnly));
            else
                QVERIFY(QFile::remove(path));
        }
        QTRY_VERIFY(m_device->writeAll("more ") && boxes().size() == 1); // bytes each time it looks
        QVERIFY(m_device->writeAll("last"));
        QTRY_VERIFY(m_window->display().text().endsWith(QStringLiteral("more last")));
        QVERIFY(m_window->port().portOpen());
        QCOMPARE(boxes().size(), 1u);
        QCOMPARE(boxes()[0].title, QStringLiteral("Quillar"));
        QVERIFY2(boxes()[0].text.contains(path) && boxes()[0].text.contains(QStringLiteral("Errore n.%1").arg(number)),
                 qPrintable(boxes()[0].text));
    }

    // A disk that stops taking data (a pipe nobody empties): past the queue's
    // capacity the log is given up with 57, once, its file an unbroken prefix.
    void slowDiskGivesUpCleanly()
    {
        const QByteArray path = QFile::encodeName(m_dir->filePath(QStringLiteral("stuck")));
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        const int reader = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        FileAppender appender(QString::fromLocal8Bit(path), 256 * 1024);
        QSignalSpy failed(&appender, &FileAppender::failed);
        appender.open();
        QRandomGenerator random(3);
        QByteArray appended;
        QTRY_VERIFY((appended += randomBytes(random, 64 * 1024), appender.append(appended.right(64 * 1024)),
                     !failed.isEmpty()));
        appender.append("more");
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][1].toInt(), int(ErrorNumber::DeviceIoError));
        ::fcntl(reader, F_SETFL, 0);
        QByteArray got;
        char buffer[65536];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            got.append(buffer, n);
        ::close(reader);
        QVERIFY(got.size() > 0 && appended.startsWith(got));
    }

    // Small pieces wait the hand-over delay, and not a moment less; a large
    // one goes at once.
    void writerHandsOverOnItsClock()
    {
        test::ManualClock clock;
        const QString path = m_dir->filePath(QStringLiteral("log.bin"));
        FileAppender appender(path, FileAppender::DefaultCapacity, clock);
        appender.open();
        QTRY_VERIFY(QFile::exists(path));
        appender.append("a");
        QTRY_COMPARE(clock.waiters(), 1); // the writer holds "a"
        appender.append("b");
        clock.advance(std::chrono::milliseconds(199));
        QTRY_VERIFY(clock.waiters() == 1 && clock.waitersCaughtUp()); // it looked, and waits on
        QCOMPARE(QFileInfo(path).size(), 0);
        clock.advance(std::chrono::milliseconds(1));
        QTRY_COMPARE(test::fileBytes(path), QByteArray("ab"));
        appender.append(QByteArray(256 * 1024, 'c'));
        QTRY_COMPARE(QFileInfo(path).size(), 2 + 256 * 1024);
    }

    // The text log's own lines, for appends that arrive a second apart from
    // 21:43:07.123 UTC, the third with a read half a second later from its
    // empty line on, the last from a new opening of the port: a line has the
    // time of its first character, a CR LF split over two appends ends it,
    // other control characters show as their pictures, another opening's
    // bytes go on in a marked line of their own, and a line left open ends
    // the log.
    void textLogLines()
    {
        qint64 arrived = 1796593387123;
        QByteArray written;
        TextLog log([&](QByteArray bytes) { written += bytes; });
        for (const char *text : {"ab", "c\xC2\xB0\xE2\x82\xAC\r", "\na\rb\nc\t\x1b\x7f\r\n\r\n", "y\r", "\nz"}) {
            const QString appended = QString::fromUtf8(text);
            TimeMarks marks{{0, arrived}};
            if (appended.endsWith(QLatin1String("\r\n\r\n")))
                marks.push_back({appended.size() - 2, arrived + 500});
            log.displayAppended(appended, marks, appended == QLatin1String("\nz"));
            arrived += 1000;
        }
        log.finish();
        QCOMPARE(QString::fromUtf8(written),
                 QStringLiteral("2026-12-06 21:43:07.123 abc\u00B0\u20AC\n"
                                "2026-12-06 21:43:09.123 a\u240Db\u240Ac\u2409\u241B\u2421\n"
                                "2026-12-06 21:43:09.623 \n2026-12-06 21:43:10.123 y\u240D\n"
                                "2026-12-06 21:43:11.123 \u21AA\u240Az\n"));
    }
};

QTEST_MAIN(TestSessionLogs)
#include "tst_session_logs.moc"
