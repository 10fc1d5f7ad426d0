// Long sessions: the raw capture and the text log through the real window on
// a pseudo-terminal, the writer's failures, and the real program stopped by
// SIGTERM in the middle of a stream.
#include "capture/file_appender.h"
#include "capture/text_log.h"
#include "platform/numbered_error.h"
#include "port/mscomm.h"
#include "receive/display_buffer.h"
#include "window/window_on_device.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillar;
using quillar::test::PseudoTerminal;
using quillar::test::ScriptedUi;
using quillar::test::WindowOnDevice;

namespace {

// Bytes of every value in an order that no lost, doubled or swapped block
// can imitate (xorshift32).
class ByteStream
{
public:
    QByteArray next(qsizetype size)
    {
        QByteArray bytes(size, '\0');
        for (char &b : bytes) {
            m_state ^= m_state << 13;
            m_state ^= m_state >> 17;
            m_state ^= m_state << 5;
            b = char(m_state >> 24);
        }
        return bytes;
    }

private:
    quint32 m_state = 2463534242u;
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

const QRegularExpression StampedLine(QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (.*)$)"));

} // namespace

class TestSessionLogs : public WindowOnDevice
{
    Q_OBJECT

    void clickOpenClose() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }

private slots:
    void initTestCase()
    {
        // The text log's times are local; the rendering table expects UTC.
        qputenv("TZ", "UTC");
        ::tzset();
    }
    void init() { QVERIFY(startWindow()); }
    void cleanup() { stopWindow(); }

    // Two openings of the port: the file is every byte received while open,
    // in order, appended at the second Open. (Throughput is not a test's
    // business: a slow machine would fail it.)
    void rawLogKeepsEveryByte()
    {
        const QString raw = m_dir->filePath(QStringLiteral("raw.bin"));
        m_window->startLongSession(raw, {}, false);
        ByteStream stream;
        const QByteArray first = stream.next(1 << 20), second = stream.next(256 << 10);
        clickOpenClose();
        QVERIFY(m_device->writeAll(first));
        QTRY_COMPARE(fileSize(raw), first.size());
        clickOpenClose();
        clickOpenClose();
        QVERIFY(m_device->writeAll(second));
        QTRY_COMPARE(fileSize(raw), first.size() + second.size());
        QVERIFY(fileBytes(raw) == first + second);
        QCOMPARE(m_seam->callsOf(ScriptedUi::Kind::Message).size(), 0u);
    }

    // The log holds every line the display showed, as shown, whatever the
    // display then did with it (trimmed, cleared, rendered under other bounds).
    void textLogFollowsTheDisplay()
    {
        const QString path = m_dir->filePath(QStringLiteral("view.log"));
        m_window->startLongSession({}, path, false);
        const QDateTime started = QDateTime::currentDateTime().addMSecs(-1);
        auto *lineFeedTime = child<QLineEdit>("Text1");
        lineFeedTime->setText(QStringLiteral("0"));
        clickOpenClose();

        QStringList expected;
        QByteArray lines;
        for (int i = 0; i < 300; ++i) { // well past the display's 20000 characters
            lines += QStringLiteral("L%1 %2\r\n").arg(i, 4, 10, QLatin1Char('0')).arg(QString(70, u'x')).toLatin1();
            expected << QStringLiteral("L%1 %2[CR][LF]").arg(i, 4, 10, QLatin1Char('0')).arg(QString(70, u'x'));
        }
        QVERIFY(m_device->writeAll(lines));
        DisplayBuffer &display = m_window->display();
        QTRY_VERIFY(display.text().endsWith(expected.last() + QStringLiteral("\r\n")));
        QVERIFY(display.length() < 300 * 80);

        QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
        expected << QStringLiteral("(LF)");
        QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
        QCOMPARE(display.length(), 0);

        lineFeedTime->setText(QStringLiteral("100"));
        QVERIFY(m_device->writeAll("abc"));
        QTRY_COMPARE(display.lineText(0), QStringLiteral("abc<003>"));
        expected << QStringLiteral("abc<003>");

        m_window.reset(); // the end of the session: everything written
        const QDateTime ended = QDateTime::currentDateTime().addMSecs(1);
        const QByteArray log = fileBytes(path);
        QVERIFY(log.endsWith('\n'));
        const QStringList logLines = QString::fromUtf8(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList texts;
        QDateTime previous = started;
        for (const QString &line : logLines) {
            const QRegularExpressionMatch m = StampedLine.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const QDateTime at = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
            QVERIFY2(at >= previous && at <= ended, qPrintable(line));
            previous = at;
            texts << m.captured(2);
        }
        QCOMPARE(texts, expected);
    }

    // A full disk: one message naming the file and the reason; the port and
    // the display carry on.
    void fullDiskReportedOnce()
    {
        m_window->startLongSession(QStringLiteral("/dev/full"), {}, false);
        clickOpenClose();
        QVERIFY(m_device->writeAll("first "));
        QTRY_COMPARE(m_seam->callsOf(ScriptedUi::Kind::Message).size(), 1u);
        for (const char *more : {"more ", "and more ", "last"}) {
            QVERIFY(m_device->writeAll(more));
            QTRY_VERIFY(m_window->display().text().endsWith(QString::fromLatin1(more)));
        }
        QVERIFY(m_window->port().portOpen());
        const auto boxes = m_seam->callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1u);
        QCOMPARE(boxes[0].title, QStringLiteral("Quillar"));
        QVERIFY2(boxes[0].text.contains(QStringLiteral("/dev/full")) && boxes[0].text.contains(QStringLiteral("Errore n.61")),
                 qPrintable(boxes[0].text));
    }

    // The other failures, each reported once while appending goes on.
    void writerFailures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("number");
        QTest::newRow("no such folder") << "folder" << int(ErrorNumber::PathNotFound);
        QTest::newRow("file removed") << "removed" << int(ErrorNumber::FileNotFound);
        QTest::newRow("file replaced") << "replaced" << int(ErrorNumber::FileNotFound);
        QTest::newRow("disk too slow") << "overflow" << int(ErrorNumber::DeviceIoError);
    }
    void writerFailures()
    {
        QFETCH(QString, failure);
        QFETCH(int, number);
        QString path = m_dir->filePath(QStringLiteral("log.bin"));
        int reader = -1;
        if (failure == QLatin1String("folder"))
            path = m_dir->filePath(QStringLiteral("missing/log.bin"));
        if (failure == QLatin1String("overflow")) {
            // A pipe nobody empties: the writer blocks as on a stuck disk.
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
        }
        constexpr qsizetype Capacity = 256 * 1024;
        FileAppender appender(path, Capacity);
        QSignalSpy failed(&appender, &FileAppender::failed);
        appender.open();
        ByteStream stream;
        QByteArray appended;
        // A removed file is noticed at the next sync, up to a second away:
        // meanwhile the queue must not fill, or the slow-disk rule answers
        // first on a loaded machine.
        const qsizetype pieceSize = failure == QLatin1String("overflow") ? 64 * 1024 : 4 * 1024;
        const auto feed = [&] {
            const QByteArray piece = stream.next(pieceSize);
            if (!appender.hasFailed())
                appended += piece;
            appender.append(piece);
            return failed.size();
        };
        if (failure == QLatin1String("removed") || failure == QLatin1String("replaced")) {
            QTRY_VERIFY(feed() == 0 && fileSize(path) > 0);
            if (failure == QLatin1String("removed"))
                QVERIFY(QFile::remove(path));
            else
                QVERIFY(QFile(path + u'~').open(QIODevice::WriteOnly)
                        && ::rename(QFile::encodeName(path + u'~').constData(), QFile::encodeName(path).constData()) == 0);
        }
        QTRY_COMPARE(feed(), 1); // a piece each time it looks
        feed();
        QTest::qWait(0);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), path);
        QCOMPARE(failed[0][1].toInt(), number);

        if (reader >= 0) {
            // What was queued before the overflow still arrives, unbroken, and
            // then the file is closed.
            ::fcntl(reader, F_SETFL, 0);
            QByteArray got;
            char buffer[65536];
            for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
                got.append(buffer, n);
            ::close(reader);
            QVERIFY(got.size() >= Capacity);
            QVERIFY(appended.startsWith(got));
        }
    }

    // The text log's own rendering, on a clock that says 21:43:07.123 UTC and
    // moves one second at each line start.
    void textLogLines_data()
    {
        QTest::addColumn<QStringList>("appends");
        QTest::addColumn<QString>("expected");
        const QString t0 = QStringLiteral("2026-12-06 21:43:07.123 ");
        const QString t1 = QStringLiteral("2026-12-06 21:43:08.123 ");
        QTest::newRow("a line, and one left open at the end")
            << QStringList{QStringLiteral("ab[CR][LF]\r\n"), QStringLiteral("x")}
            << t0 + "ab[CR][LF]\n" + t1 + "x\n";
        QTest::newRow("the time of the line's first character")
            << QStringList{QStringLiteral("ab"), QStringLiteral("c<003>\r\nd")} << t0 + "abc<003>\n" + t1 + "d\n";
        QTest::newRow("CR LF split over two appends") << QStringList{QStringLiteral("ab\r"), QStringLiteral("\n")}
                                                      << t0 + "ab\n";
        QTest::newRow("lone CR and LF, tab, escape, delete")
            << QStringList{QStringLiteral("a\rb\nc\t\x1b\x7f\r\n")} << t0 + QStringLiteral("a\u240Db\u240Ac\u2409\u241B\u2421\n");
        QTest::newRow("an empty line, a CR at the very end")
            << QStringList{QStringLiteral("\r\n"), QStringLiteral("y\r")} << t0 + "\n" + t1 + QStringLiteral("y\u240D\n");
        QTest::newRow("code page characters") << QStringList{QStringLiteral("21\u00B0C \u20AC\r\n")}
                                              << t0 + QStringLiteral("21\u00B0C \u20AC\n");
    }
    void textLogLines()
    {
        QFETCH(QStringList, appends);
        QFETCH(QString, expected);
        qint64 now = 1796593387123 - 1000;
        QByteArray written;
        TextLog log([&](QByteArray bytes) { written += bytes; }, [&] { return now += 1000; });
        for (const QString &text : appends)
            log.displayAppended(text);
        log.finish();
        QCOMPARE(QString::fromUtf8(written), expected);
    }

    // The real program, started with --dir and relative log names, stopped by
    // SIGTERM while the device streams: the raw log and what the device
    // still holds unread are together exactly what was sent.
    void stoppedBySigtermLosesNothing()
    {
        const QString settings = m_dir->filePath(QStringLiteral("settings"));
        QVERIFY(QDir().mkpath(settings));
        PseudoTerminal device;
        QVERIFY(device.linkAs(settings, 1)); // the default settings open COM1
        QProcess program;
        program.setWorkingDirectory(m_dir->path());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(QUILLAR_PROGRAM),
                      {"--dir", "settings", "--log", "raw.bin", "--log-text", "view.log"});
        QVERIFY(program.waitForStarted());
        const QString raw = m_dir->filePath(QStringLiteral("raw.bin"));

        ByteStream stream;
        QByteArray sent;
        QElapsedTimer clock;
        clock.start();
        bool stopped = false;
        while (clock.elapsed() < 30000 && program.state() == QProcess::Running) {
            const QByteArray piece = stream.next(4096);
            const qint64 n = device.write(piece);
            QVERIFY(n >= 0);
            sent += piece.left(n);
            if (!stopped && fileSize(raw) > 256 * 1024) {
                QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
                stopped = true;
            }
            QTest::qWait(n < piece.size() ? 5 : 0);
        }
        QVERIFY(stopped);
        QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QByteArray logged = fileBytes(raw);
        const QByteArray unread = device.takeUnread();
        QCOMPARE(logged.size() + unread.size(), sent.size());
        QVERIFY(logged + unread == sent);
        QVERIFY(fileBytes(m_dir->filePath(QStringLiteral("view.log"))).endsWith('\n'));
        QVERIFY(QFile::exists(settings + QStringLiteral("/Quillar.ini")));
        QVERIFY(!QFile::exists(settings + QStringLiteral("/raw.bin")));
    }
};

QTEST_MAIN(TestSessionLogs)
#include "tst_session_logs.moc"
