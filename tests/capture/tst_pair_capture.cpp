// A pair of ports in the real window, each side a pseudo-terminal: lines in
// the order their bytes were read, a change of side ending the line, each
// line headed by its side, and the raw capture split back into the sides.
#include "port/mscomm.h"
#include "port/port_device.h"
#include "receive/display_buffer.h"
#include "support/scripted_server.h"
#include "window/window_on_device.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

using namespace quillar;
using quillar::test::ScriptedUi;

class TestPairCapture : public test::WindowOnDevice
{
    Q_OBJECT

    std::unique_ptr<test::PseudoTerminal> m_modem;

    // COM7 pairs "host", port 2 (the fixture's device), with "modem" by path.
    void openPair(const QString &lineFeedTime, QString modemPath = {}, bool atOnce = true)
    {
        modemPath = modemPath.isEmpty() ? m_modem->slavePath() : modemPath;
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("COM7")),
                                "pair\n# a Y cable\nhost = 2\nmodem = " + modemPath.toUtf8() + "\n"));
        child<QLineEdit>("txtCom1")->setText(QStringLiteral("7"));
        child<QLineEdit>("Text1")->setText(lineFeedTime);
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        QVERIFY2(!atOnce || m_window->port().portOpen(),
                 qPrintable(m_seam->calls.empty() ? QString("not open") : m_seam->calls[0].text));
    }
    // Waits, running no events, until both sides have read `total` bytes.
    [[nodiscard]] bool pairHasRead(quint64 total) const
    {
        for (const QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(1)) {
            if (m_window->port().device()->received() >= total)
                return true;
        }
        return false;
    }
    [[nodiscard]] QString shown() const { return m_window->display().text(); }
    [[nodiscard]] QStringList lines() const { return m_window->display().text().split(QStringLiteral("\r\n")); }

private slots:
    void init()
    {
        QVERIFY(startWindow());
        m_modem = std::make_unique<test::PseudoTerminal>();
        QVERIFY(m_modem->isOpen());
    }
    void cleanup()
    {
        stopWindow();
        m_modem.reset();
    }

    // An exchange read while the window is busy elsewhere comes out in the
    // order the bytes were read, not side by side.
    void exchangeInOrder()
    {
        openPair(QStringLiteral("0"));
        const QList<std::pair<test::PseudoTerminal *, QByteArray>> said{
            {m_device.get(), "AT\r\n"}, {m_modem.get(), "OK\r\n"},    {m_device.get(), "ATD123\r\n"},
            {m_modem.get(), "CONNECT"}, {m_modem.get(), " 9600\r\n"}, {m_device.get(), "+++"}};
        quint64 total = 0;
        for (const auto &[side, bytes] : said) {
            QVERIFY(side->write(bytes) == bytes.size());
            QVERIFY(pairHasRead(total += quint64(bytes.size())));
            QThread::msleep(3); // the next read is of a later millisecond
        }
        QTRY_VERIFY(m_window->display().text().endsWith(QStringLiteral("+++")));
        QCOMPARE(lines(),
                 (QStringList{"host > AT[CR][LF]", "modem> OK[CR][LF]", "host > ATD123[CR][LF]",
                              "modem> CONNECT 9600[CR][LF]", "host > +++"}));
        // Each side's name in its colour, the text after it as it comes.
        const DisplayBuffer &display = m_window->display();
        QVERIFY(display.paintsShown());
        for (const auto &[line, colour] : {std::pair{0, 0x46C8D2u}, {1, 0xDCC83Cu}, {4, 0x46C8D2u}}) {
            const ShownLine &shown = display.shownLine(line);
            QCOMPARE(shown.cells[0].style.foreground, CellStyle::RgbFlag | colour);
            QCOMPARE(shown.cells[6].style.foreground, CellStyle::RgbFlag | colour);
            QCOMPARE(shown.cells[7].style.foreground, CellStyle::Default);
        }
    }

    // A change of side ends the line as the line-end rule would: with line
    // feeds, a bare line end; with a quiet time, the line's count.
    void changeOfSideEndsLine_data()
    {
        QTest::addColumn<QString>("lineFeedTime");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("line feeds") << "0" << QStringList{"host > abc", "modem> xy", "host > 12[LF]", ""};
        QTest::newRow("quiet time") << "9000" << QStringList{"host > abc<003>", "modem> xy<002>", "host > 12[LF]"};
    }
    void changeOfSideEndsLine()
    {
        QFETCH(QString, lineFeedTime);
        QFETCH(QStringList, expected);
        openPair(lineFeedTime);
        for (const auto &[side, bytes] :
             {std::pair{m_device.get(), QByteArray("abc")}, {m_modem.get(), "xy"}, {m_device.get(), "12\n"}}) {
            QVERIFY(side->writeAll(bytes));
            QTRY_VERIFY(m_window->display().text().contains(QString::fromLatin1(bytes.left(2))));
        }
        QTRY_COMPARE(lines(), expected);
    }

    // Each side's bytes, interleaved on the wire, come back whole from its
    // own capture file, and the text log names the side of every line.
    void captureSplitsBackIntoSides()
    {
        const QString raw = m_dir->filePath(QStringLiteral("link.bin"));
        const QString text = m_dir->filePath(QStringLiteral("link.log"));
        m_window->startLongSession({.rawLog = raw, .textLog = text});
        openPair(QStringLiteral("0"));
        QRandomGenerator random(977u);
        QByteArray host;
        QByteArray modem;
        for (int i = 0; i < 200; ++i) {
            QByteArray bytes(1 + random.bounded(300), '\0');
            for (char &b : bytes)
                b = char(random.bounded(256));
            const bool toHost = random.bounded(2) == 0;
            (toHost ? host : modem) += bytes;
            QVERIFY((toHost ? m_device : m_modem)->writeAll(bytes));
        }
        QTRY_COMPARE(m_window->port().device()->received(), quint64(host.size() + modem.size()));
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        m_window.reset();
        QCOMPARE(test::fileBytes(raw + QStringLiteral(".host")), host);
        QCOMPARE(test::fileBytes(raw + QStringLiteral(".modem")), modem);
        QVERIFY(!QFile::exists(raw)); // a single port's file
        const QStringList logLines = QString::fromUtf8(test::fileBytes(text)).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(logLines.size() > 2);
        const QRegularExpression sided(QStringLiteral("^[-0-9]{10} [:.0-9]{12} (↪)?(host |modem)> "));
        for (const QString &line : logLines)
            QVERIFY2(sided.match(line).hasMatch(), qPrintable(line));
    }

    // A side served over the network opens with the pair, which opens once
    // it is connected, and keeps its place in the order.
    void remoteSide()
    {
        test::ScriptedServer server(test::ScriptedServer::Mode::Rfc2217);
        openPair(QStringLiteral("0"), QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()), false);
        QTRY_VERIFY(m_window->port().portOpen() && server.connected());
        QVERIFY(m_device->writeAll("AT\r\n"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("host > AT[CR][LF]\r\n")));
        server.send({"OK\r\n"});
        QTRY_COMPARE(lines(), (QStringList{"host > AT[CR][LF]", "modem> OK[CR][LF]", ""}));
    }

    // One side unplugged is reported by name while the other reads on;
    // with --reconnect it comes back where its path leads.
    void sideGoesAndComesBack()
    {
        m_window->startLongSession({.reconnect = true});
        const QString link = m_dir->filePath(QStringLiteral("modem-link"));
        QVERIFY(QFile::link(m_modem->slavePath(), link));
        openPair(QStringLiteral("0"), link);
        const auto status = [this] { return child<QLabel>("lblStatus")->text(); };
        QVERIFY(m_modem->writeAll("before"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("modem> before")));
        m_modem->closeMaster();
        QTRY_COMPARE(status(), QStringLiteral("Errore n.68 sul lato modem di COM7: l'altro lato continua"));
        QVERIFY(m_window->port().portOpen());
        QVERIFY(m_device->writeAll("still here\n"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("host > still here[LF]\r\n")));

        test::PseudoTerminal back;
        QVERIFY(QFile::remove(link) && QFile::link(back.slavePath(), link));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Lato modem di COM7 di nuovo aperto"), 5000);
        QVERIFY(back.writeAll("after\n"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("modem> after[LF]\r\n")));
        QCOMPARE(lines().filter(QStringLiteral("modem>")).size(), 2);

        // The side by number is looked for where its link leads now.
        m_device->closeMaster();
        QTRY_COMPARE(status(), QStringLiteral("Errore n.68 sul lato host di COM7: l'altro lato continua"));
        test::PseudoTerminal host;
        QVERIFY(host.linkAs(m_dir->path(), 2));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Lato host di COM7 di nuovo aperto"), 5000);
        QVERIFY(host.writeAll("back\n"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("host > back[LF]\r\n")));
    }

    // Both sides gone is the port gone; --reconnect opens the pair again
    // once both are back, reading its file again.
    void pairGoesAndComesBack()
    {
        m_window->startLongSession({.reconnect = true});
        openPair(QStringLiteral("0"));
        m_device->closeMaster();
        m_modem->closeMaster();
        QTRY_COMPARE(child<QLabel>("lblStatus")->text(), QStringLiteral("Errore n.68 su COM7"));
        QVERIFY(!m_window->port().portOpen());
        test::PseudoTerminal host;
        test::PseudoTerminal modem;
        QVERIFY(host.linkAs(m_dir->path(), 2));
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("COM7")),
                                "pair\nhost = 2\nmodem = " + modem.slavePath().toUtf8() + "\n"));
        QTRY_VERIFY_WITH_TIMEOUT(m_window->port().portOpen(), 5000);
        QVERIFY(modem.writeAll("OK\n"));
        QTRY_VERIFY(shown().endsWith(QStringLiteral("modem> OK[LF]\r\n")));
    }

    // A malformed pair file is an open that fails, naming the file's line.
    void malformedPairNamed()
    {
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("COM8")), "pair\nA = 2\nB = 2 3\n"));
        child<QLineEdit>("txtCom1")->setText(QStringLiteral("8"));
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        QVERIFY(!m_window->port().portOpen());
        const auto boxes = m_seam->callsOf(ScriptedUi::Kind::Message);
        QCOMPARE(boxes.size(), 1u);
        QVERIFY2(boxes[0].text.contains(QStringLiteral("COM8, riga 3, contiene \"B = 2 3\", che ha \"2 3\"")),
                 qPrintable(boxes[0].text));
    }
};

QTEST_MAIN(TestPairCapture)
#include "tst_pair_capture.moc"
