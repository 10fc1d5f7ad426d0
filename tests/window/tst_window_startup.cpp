// Start-up and shut-down through the real window: Quillar.ini in a scratch
// current directory, the port a pseudo-terminal linked as COM<N>.
#include "port/mscomm.h"
#include "receive/receive_path.h"
#include "support/pseudo_terminal.h"
#include "support/test_fixtures.h"
#include "support/scripted_ui.h"
#include "window/frm_quillar.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

using namespace quillar;
using quillar::test::TemporaryWorkingDir;
using quillar::test::PseudoTerminal;
using quillar::test::ScriptedUi;

namespace {

const QByteArray DefaultRecord("\"1\",\"4800\",0,0,11000,4500,\"31\",\"128\",\"150\"\r\n");

} // namespace

class TestWindowStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TemporaryWorkingDir> m_dir;
    std::unique_ptr<ScriptedUi> m_seam;

    static QStringList boxes(const frmQuillar &w)
    {
        QStringList texts;
        for (const char *name : {"txtCom1", "txtBaud1", "Text4", "Text2", "Text1"})
            texts << w.findChild<QLineEdit *>(QString::fromLatin1(name))->text();
        return texts;
    }
    static QString status(const frmQuillar &w) { return w.findChild<QLabel *>(QStringLiteral("lblStatus"))->text(); }
    static QList<double> outer(const frmQuillar &w) { return {w.Left(), w.Top(), w.Width(), w.Height()}; }
    static bool show(frmQuillar &w)
    {
        w.show();
        w.activateWindow();
        return QTest::qWaitForWindowActive(&w);
    }
    static std::optional<QByteArray> settingsFile()
    {
        QFile f(QStringLiteral("Quillar.ini"));
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        return f.readAll();
    }
    static void putSettingsFile(const QByteArray &bytes)
    {
        QFile f(QStringLiteral("Quillar.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    // Within the whole pixel the window rounds to.
    static void compareOuter(const frmQuillar &w, const QList<double> &expected)
    {
        const double pixel = 1440.0 / w.logicalDpiX();
        const QList<double> actual = outer(w);
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(actual[i] - expected[i]) <= pixel / 2,
                     qPrintable(QStringLiteral("field %1: %2, expected %3").arg(i + 3).arg(actual[i]).arg(expected[i])));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<TemporaryWorkingDir>();
        QVERIFY(m_dir->isValid());
        m_seam = std::make_unique<ScriptedUi>();
    }
    void cleanup()
    {
        m_seam.reset();
        m_dir.reset();
    }

    void startUp_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("file");
        QTest::addColumn<int>("linkedPort");
        QTest::addColumn<QStringList>("expectedBoxes");
        QTest::addColumn<QList<double>>("expectedOuter"); // empty: left to the size rules
        QTest::addColumn<QString>("expectedStatus");
        QTest::addColumn<QByteArray>("fileAfter");

        QTest::newRow("no file: defaults, port 1 opened")
            << std::optional<QByteArray>() << 1 << QStringList{"1", "4800", "31", "128", "150"}
            << QList<double>{0, 0, 11000, 4500} << "Porta COM1: 4800,n,8,1 OK" << DefaultRecord;
        QTest::newRow("empty file: empty boxes, port 0 refused")
            << std::optional<QByteArray>(QByteArray()) << 1 << QStringList{"", "", "", "", ""} << QList<double>{}
            << "Numero di Porta COM non valido" << DefaultRecord;
        const QByteArray good("\"3\",\"9600\",1500,900,12000,5100,\"40\",\"200\",\"0\"\r\n");
        QTest::newRow("good file: its values, port 3 opened")
            << std::optional<QByteArray>(good) << 3 << QStringList{"3", "9600", "40", "200", "0"}
            << QList<double>{1500, 900, 12000, 5100} << "Porta COM3: 9600,n,8,1 OK" << good;
        // A monitor unplugged since: the window comes back to the primary
        // screen's corner (the offscreen screen's is 0, 0) with its size.
        const QByteArray offScreens("\"3\",\"9600\",60000,30000,12000,5100,\"40\",\"200\",\"0\"\r\n");
        QTest::newRow("window off every screen: brought back, size kept")
            << std::optional<QByteArray>(offScreens) << 3 << QStringList{"3", "9600", "40", "200", "0"}
            << QList<double>{0, 0, 12000, 5100} << "Porta COM3: 9600,n,8,1 OK" << offScreens;
    }
    void startUp()
    {
        QFETCH(std::optional<QByteArray>, file);
        QFETCH(int, linkedPort);
        QFETCH(QStringList, expectedBoxes);
        QFETCH(QList<double>, expectedOuter);
        QFETCH(QString, expectedStatus);
        QFETCH(QByteArray, fileAfter);

        if (file)
            putSettingsFile(*file);
        PseudoTerminal device;
        QVERIFY(device.linkAs(m_dir->path(), linkedPort));
        frmQuillar window;
        window.receivePath().setLineByteCount(9);
        window.Form_Load();

        QCOMPARE(boxes(window), expectedBoxes);
        QCOMPARE(status(window), expectedStatus);
        const bool opened = expectedStatus.endsWith(QLatin1String(" OK"));
        QCOMPARE(window.port().portOpen(), opened);
        QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("Command1"))->text(),
                 opened ? QStringLiteral("Close") : QStringLiteral("Open"));
        QCOMPARE(m_seam->beeps(), opened ? 0 : 1);
        QVERIFY(m_seam->callsOf(ScriptedUi::Kind::Message).empty());
        QCOMPARE(window.receivePath().lineByteCount(), 0);
        QCOMPARE(settingsFile(), std::optional<QByteArray>(fileAfter));

        QVERIFY(show(window));
        if (!expectedOuter.isEmpty())
            compareOuter(window, expectedOuter);
        // A second call does not start up again.
        m_seam->clear();
        window.Form_Load();
        QVERIFY(m_seam->calls.empty());
        QCOMPARE(window.port().portOpen(), opened);
    }

    // Shut-down writes the values of that moment: boxes edited by the user,
    // the window moved and resized; the port is left open.
    void shutDownWritesTheValuesOfThatMoment()
    {
        PseudoTerminal device;
        QVERIFY(device.linkAs(m_dir->path(), 1));
        frmQuillar window;
        window.Form_Load();
        QVERIFY(show(window));
        if (window.logicalDpiX() != 96)
            QSKIP("the expected record is written for 96 dots per inch");
        const QList<std::pair<const char *, QString>> edits = {
            {"txtCom1", "3"}, {"txtBaud1", "19200"}, {"Text4", "40"}, {"Text2", "200"}, {"Text1", "0"}};
        for (const auto &[name, typed] : edits) {
            auto *box = window.findChild<QLineEdit *>(QString::fromLatin1(name));
            QTest::mouseClick(box, Qt::LeftButton);
            QTRY_COMPARE(box->selectedText(), box->text());
            QTest::keyClicks(box, typed);
            QCOMPARE(box->text(), typed);
        }
        // The outer frame moved to 100, 50 pixels (1500, 750 twips at 96 dots
        // per inch), the client area resized to 700 x 300; 15 twips a pixel.
        window.move(100, 50);
        window.resize(700, 300);
        QTRY_COMPARE(window.frameGeometry().topLeft(), QPoint(100, 50));
        QTRY_COMPARE(window.size(), QSize(700, 300));
        const QSize frame = window.frameGeometry().size();
        QVERIFY(window.close());
        const QByteArray expected = "\"3\",\"19200\",1500,750," + QByteArray::number(frame.width() * 15) + ','
                                    + QByteArray::number(frame.height() * 15) + ",\"40\",\"200\",\"0\"\r\n";
        QCOMPARE(settingsFile(), std::optional<QByteArray>(expected));
        QVERIFY(window.port().portOpen());
    }

    // A window that was never started from the file leaves it alone.
    void windowWithoutStartUpWritesNothing()
    {
        frmQuillar window;
        QVERIFY(show(window));
        QVERIFY(window.close());
        QCOMPARE(settingsFile(), std::nullopt);
    }
};

QTEST_MAIN(TestWindowStartup)
#include "tst_window_startup.moc"
