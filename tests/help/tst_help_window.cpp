#include "help/frm_istruzioni.h"
#include "help/help_file.h"
#include "help/help_geometry.h"
#include "help/help_window.h"
#include "platform/twips.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

using namespace quillar;
using quillar::test::TemporaryWorkingDir;
using quillar::test::ScriptedUi;

namespace {
const QString HelpName = QStringLiteral("Term_Istr.rtf");
const QString Title = QStringLiteral("Quillar - Istruzioni");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray rtfSaying(const QByteArray &text) { return "{\\rtf1\\ansi " + text + "\\par}"; }

HelpWindow *help() { return frmIstruzioni::instance().helpWindow(); }
QString shownText() { return help() ? help()->view()->toPlainText() : QString(); }
} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_ui = std::make_unique<ScriptedUi>();
        m_dir = std::make_unique<TemporaryWorkingDir>();
        QVERIFY(m_dir->isValid());
        m_other = std::make_unique<QWidget>();
        m_other->setWindowTitle(QStringLiteral("main"));
    }
    void cleanup()
    {
        if (QWidget *window = frmIstruzioni::instance().window())
            window->close();
        QTRY_VERIFY(!frmIstruzioni::instance().window());
        m_other.reset();
        m_dir.reset();
        m_ui.reset();
    }

    void centredOffset_data()
    {
        QTest::addColumn<float>("screen");
        QTest::addColumn<float>("window");
        QTest::addColumn<int>("offset");
        QTest::newRow("15 twips: 7.5 goes to 8") << 8565.f << 8550.f << 8;
        QTest::newRow("13 twips: 6.5 goes to 6") << 8563.f << 8550.f << 6;
        QTest::newRow("-15 twips: -7.5 goes to -8") << 8535.f << 8550.f << -8;
    }
    void centredOffset()
    {
        QFETCH(float, screen);
        QFETCH(float, window);
        QFETCH(int, offset);
        QCOMPARE(quillar::centredOffset(screen, window), offset);
    }

    void viewSize_data()
    {
        QTest::addColumn<float>("outerWidth");
        QTest::addColumn<float>("outerHeight");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("design window") << 8550.f << 4965.f << 8430 << 4485;
        QTest::newRow("exactly the margins: 1 twip") << 120.f << 480.f << 1 << 1;
        QTest::newRow("one twip over") << 121.f << 481.f << 1 << 1;
        QTest::newRow("halves to even") << 122.5f << 483.5f << 2 << 4;
    }
    void viewSize()
    {
        QFETCH(float, outerWidth);
        QFETCH(float, outerHeight);
        QFETCH(int, width);
        QFETCH(int, height);
        QCOMPARE(helpViewSize(outerWidth, outerHeight), (ViewTwips{width, height}));
    }

    void locate_data()
    {
        QTest::addColumn<bool>("inCurrent");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected"); // "current", "installed" or ""
        QTest::newRow("current directory") << true << false << "current";
        QTest::newRow("current directory wins") << true << true << "current";
        QTest::newRow("installed copy") << false << true << "installed";
        QTest::newRow("nowhere") << false << false << "";
    }
    void locate()
    {
        QFETCH(bool, inCurrent);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QTemporaryDir installDir;
        if (inCurrent)
            writeFile(HelpName, "");
        if (installed)
            writeFile(QDir(installDir.path()).filePath(HelpName), "x");
        const auto found = locateHelpFile(HelpName, installDir.path());
        if (expected.isEmpty())
            QVERIFY(!found);
        else
            QCOMPARE(*found, expected == u"current" ? HelpName : QDir(installDir.path()).filePath(HelpName));
        QVERIFY(!HelpFileExists(QStringLiteral(".")));  // a directory is not a help file
    }

    void firstOpenShowsTheDocumentCentred()
    {
        writeFile(HelpName, rtfSaying("Benvenuti in Quillar"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QVERIFY(help());
        QTRY_COMPARE(shownText(), QStringLiteral("Benvenuti in Quillar"));
        QCOMPARE(help()->windowTitle(), QStringLiteral(" Quillar - Istruzioni"));
        QVERIFY(help()->isWindow());
        QCOMPARE(help()->parentWidget(), nullptr);
        QVERIFY(help()->view()->isReadOnly());
        QVERIFY(m_ui->calls.empty());

        const double dpi = logicalDpi();
        QCOMPARE(help()->size(), QSize(twipsToPixels(8430, dpi), twipsToPixels(4455, dpi)));
        // No frame under the offscreen platform: the outer size is the design
        // frame (60 twips each side and below, 450 above) around the client.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const int left = quillar::centredOffset(float(pixelsToTwips(screen.width(), dpi)), 8430.f + 120.f);
        const int top = quillar::centredOffset(float(pixelsToTwips(screen.height(), dpi)), 4455.f + 510.f);
        QCOMPARE(help()->pos(), QPoint(twipsToPixels(left, dpi), twipsToPixels(top, dpi)));
    }

    void missingFileSaysSoAndCloses()
    {
        for (int attempt = 1; attempt <= 2; ++attempt) {
            frmIstruzioni::instance().Apri(HelpName, Title);
            QTRY_COMPARE(int(m_ui->calls.size()), attempt);
            const ScriptedUi::Call &call = m_ui->calls.back();
            QCOMPARE(call.kind, ScriptedUi::Kind::Message);
            QCOMPARE(call.text, QStringLiteral("Manca il file di help Term_Istr.rtf"));
            QCOMPARE(call.title, QStringLiteral("Quillar"));
            QCOMPARE(call.icon, ModalUi::Icon::Critical);
            QTRY_VERIFY(!frmIstruzioni::instance().window());
        }
    }

    void emptyFileCountsAsPresent()
    {
        writeFile(HelpName, "");
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_VERIFY(help() && help()->isActiveWindow());
        QVERIFY(m_ui->calls.empty());
        QVERIFY(help()->view()->document()->isEmpty());
    }

    void fileThatIsNotRtfShowsAMessage()
    {
        writeFile(HelpName, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_VERIFY(shownText().contains(QStringLiteral("non è in formato RTF")));
        QVERIFY(shownText().contains(HelpName));
        QVERIFY(m_ui->calls.empty());
    }

    void openAgainWhileShownReloadsTheSameWindow()
    {
        writeFile(HelpName, rtfSaying("first"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_COMPARE(shownText(), QStringLiteral("first"));
        HelpWindow *const first = help();
        help()->move(help()->pos() + QPoint(7, 5));
        const QPoint moved = help()->pos();

        // The user goes back to the main window, the document changes, F1 again.
        m_other->show();
        m_other->activateWindow();
        QTRY_VERIFY(!first->isActiveWindow());
        writeFile(HelpName, rtfSaying("second"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_COMPARE(shownText(), QStringLiteral("second"));
        QCOMPARE(help(), first);
        QCOMPARE(help()->pos(), moved);
        int helpWindows = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            helpWindows += qobject_cast<HelpWindow *>(widget) && widget->isVisible() ? 1 : 0;
        QCOMPARE(helpWindows, 1);
    }

    void activationReloadsAndMissingFileCloses()
    {
        writeFile(HelpName, rtfSaying("present"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_COMPARE(shownText(), QStringLiteral("present"));

        m_other->show();
        m_other->activateWindow();
        QTRY_VERIFY(!help()->isActiveWindow());
        writeFile(HelpName, rtfSaying("changed"));
        help()->activateWindow();
        QTRY_COMPARE(shownText(), QStringLiteral("changed"));

        m_other->activateWindow();
        QTRY_VERIFY(!help()->isActiveWindow());
        QVERIFY(QFile::remove(HelpName));
        help()->activateWindow();
        QTRY_COMPARE(int(m_ui->calls.size()), 1);
        QCOMPARE(m_ui->calls.front().text, QStringLiteral("Manca il file di help Term_Istr.rtf"));
        QTRY_VERIFY(!frmIstruzioni::instance().window());
    }

    void reopeningAfterCloseCentresANewWindow()
    {
        writeFile(HelpName, rtfSaying("text"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_COMPARE(shownText(), QStringLiteral("text"));
        const QPoint centred = help()->pos();
        QPointer<HelpWindow> first = help();
        help()->move(centred + QPoint(40, 30));
        help()->close();
        QVERIFY(!frmIstruzioni::instance().window());
        QTRY_VERIFY(!first); // closing destroys it

        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_COMPARE(shownText(), QStringLiteral("text"));
        QCOMPARE(help()->pos(), centred);
    }

    void viewFollowsTheWindowLessTheMargins()
    {
        writeFile(HelpName, rtfSaying("text"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_VERIFY(help() && help()->isActiveWindow());
        // The outer size is the frame the window system reports, or the client
        // with the design frame (8 x 34 pixels) when it reports none; the view
        // is that less 120 x 480 twips (8 x 32 pixels).
        help()->resize(300, 200);
        QTRY_COMPARE(help()->size(), QSize(300, 200));
        QSize outer = help()->frameGeometry().size();
        if (outer == help()->size())
            outer += QSize(8, 34);
        QCOMPARE(help()->view()->geometry(), QRect(0, 0, outer.width() - 8, outer.height() - 32));
        const QRect before = help()->view()->geometry();

        help()->setWindowState(Qt::WindowMinimized);
        help()->resize(400, 250);
        QCoreApplication::processEvents();
        QCOMPARE(help()->view()->geometry(), before);
    }

    void f1InTheHelpWindowDoesNothing()
    {
        writeFile(HelpName, rtfSaying("text"));
        frmIstruzioni::instance().Apri(HelpName, Title);
        QTRY_VERIFY(help() && help()->isActiveWindow());
        const QTextDocument *document = help()->view()->document();
        QFile::remove(HelpName); // a reload would now close the window
        QTest::keyClick(help()->view(), Qt::Key_F1);
        QTest::keyClick(help(), Qt::Key_F1);
        QCoreApplication::processEvents();
        QVERIFY(help());
        QCOMPARE(help()->view()->document(), document);
        QVERIFY(m_ui->calls.empty());
    }

private:
    std::unique_ptr<ScriptedUi> m_ui;
    std::unique_ptr<TemporaryWorkingDir> m_dir;
    std::unique_ptr<QWidget> m_other;
};

QTEST_MAIN(TestHelpWindow)
#include "tst_help_window.moc"
