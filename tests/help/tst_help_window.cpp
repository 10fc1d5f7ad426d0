#include "help/frm_istruzioni.h"
#include "help/help_file.h"
#include "help/help_geometry.h"
#include "help/help_window.h"
#include "platform/twips.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"

#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace quillar;

namespace {
const QString HelpName = QStringLiteral("Term_Istr.rtf");
const QString Missing = QStringLiteral("Manca il file di help Term_Istr.rtf");

void writeHelp(const QByteArray &bytes, const QString &path = HelpName)
{
    QVERIFY(test::writeFile(path, bytes));
}

void open()
{
    frmIstruzioni::instance().Apri(HelpName, QStringLiteral("Quillar - Istruzioni"));
}
HelpWindow *help()
{
    return frmIstruzioni::instance().helpWindow();
}
QString shownText()
{
    return help() ? help()->view()->toPlainText() : QString();
}
} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        if (QWidget *window = frmIstruzioni::instance().window())
            window->close();
        QTRY_VERIFY(!frmIstruzioni::instance().window());
        QFile::remove(HelpName);
        m_ui.clear();
    }

    // At 1440 DPI a pixel is a twip; halves go to the even neighbour.
    void geometry()
    {
        const QSizeF outer(8550, 4965);
        QCOMPARE(quillar::centredPosition(QRect(0, 0, 8565, 4978), outer, 1440), QPoint(8, 6));
        QCOMPARE(quillar::centredPosition(QRect(1920, 0, 8565, 4978), outer, 1440), QPoint(1928, 6));
        QCOMPARE(quillar::centredPosition(QRect(-9000, 1200, 8550, 4935), outer, 1440), QPoint(-9000, 1185));
        QCOMPARE(helpViewSize(8550, 4965), (ViewTwips{8430, 4485}));
        QCOMPARE(helpViewSize(120, 480), (ViewTwips{1, 1})); // never below 1 twip
    }

    // As named in the current directory, else the copy installed with the
    // program; an empty file counts, a directory does not.
    void locate()
    {
        const QString installed = QDir(m_installed.path()).filePath(HelpName);
        QVERIFY(!locateHelpFile(HelpName, m_installed.path()));
        writeHelp("x", installed);
        QCOMPARE(locateHelpFile(HelpName, m_installed.path()).value_or(QString()), installed);
        writeHelp("");
        QCOMPARE(locateHelpFile(HelpName, m_installed.path()).value_or(QString()), HelpName);
        QVERIFY(!HelpFileExists(QStringLiteral(".")));
        QFile::remove(installed);
    }

    // A missing file is said so, each time. Found, the window opens centred
    // at the design size; each open and activation reloads it in place.
    void lifetime()
    {
        open();
        QTRY_VERIFY(!m_ui.calls.empty());
        QCOMPARE(m_ui.calls.back().kind, test::ScriptedUi::Kind::Message);
        QCOMPARE(m_ui.calls.back().text, Missing);
        QCOMPARE(m_ui.calls.back().title, QStringLiteral("Quillar"));
        QCOMPARE(m_ui.calls.back().icon, ModalUi::Icon::Critical);
        QTRY_VERIFY(!frmIstruzioni::instance().window());

        writeHelp("{\\rtf1 first}");
        open();
        QTRY_COMPARE(shownText(), QStringLiteral("first"));
        HelpWindow *const first = help();
        QCOMPARE(first->windowTitle(), QStringLiteral(" Quillar - Istruzioni"));
        QVERIFY(first->isWindow() && !first->parentWidget() && first->view()->isReadOnly());
        const double dpi = logicalDpi();
        QCOMPARE(first->size(), QSize(twipsToPixels(8430, dpi), twipsToPixels(4455, dpi)));
        // No frame under the offscreen platform: the design frame counts.
        const QPoint centred =
            quillar::centredPosition(QGuiApplication::primaryScreen()->geometry(), {8430 + 120, 4455 + 510}, dpi);
        QCOMPARE(first->pos(), centred);
        first->move(centred + QPoint(7, 5));

        QWidget other;
        other.show();
        const auto reload = [&](const QByteArray &file, bool byOpen) {
            other.activateWindow();
            QTRY_VERIFY(!first->isActiveWindow());
            if (file.isNull())
                QFile::remove(HelpName);
            else
                writeHelp(file);
            byOpen ? open() : first->activateWindow();
        };
        reload("{\\rtf1 second}", true);
        QTRY_COMPARE(shownText(), QStringLiteral("second"));
        QCOMPARE(help(), first);
        QCOMPARE(first->pos(), centred + QPoint(7, 5));
        reload("", false);
        QTRY_COMPARE(shownText(), QString());
        reload(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false);
        QTRY_VERIFY(shownText().contains(QStringLiteral("Term_Istr.rtf"))
                    && shownText().contains(QStringLiteral("non è in formato RTF")));
        QCOMPARE(m_ui.calls.size(), std::size_t(1));
        reload(QByteArray(), false);
        QTRY_VERIFY(!frmIstruzioni::instance().window());
        QCOMPARE(m_ui.calls.size(), std::size_t(2));
        QCOMPARE(m_ui.calls.back().text, Missing);

        writeHelp("{\\rtf1 back}");
        open();
        QTRY_COMPARE(shownText(), QStringLiteral("back"));
        QCOMPARE(help()->pos(), centred);
    }

    // The view is the outer size (the design frame added when there is
    // none) less 8 x 32 pixels, kept while minimized; F1 does nothing here.
    void viewAndKeys()
    {
        writeHelp("{\\rtf1 text}");
        open();
        QTRY_VERIFY(help() && help()->isActiveWindow());
        help()->resize(300, 200);
        QTRY_COMPARE(help()->size(), QSize(300, 200));
        const QSize outer =
            help()->frameGeometry().size() == help()->size() ? QSize(308, 234) : help()->frameGeometry().size();
        QCOMPARE(help()->view()->geometry(), QRect(0, 0, outer.width() - 8, outer.height() - 32));
        help()->setWindowState(Qt::WindowMinimized);
        help()->resize(400, 250);
        QCoreApplication::processEvents();
        QCOMPARE(help()->view()->geometry().size(), QSize(outer.width() - 8, outer.height() - 32));

        const QTextDocument *document = help()->view()->document();
        QFile::remove(HelpName); // a reload would now close the window
        QTest::keyClick(help()->view(), Qt::Key_F1);
        QTest::keyClick(help(), Qt::Key_F1);
        QCoreApplication::processEvents();
        QVERIFY(help() && help()->view()->document() == document);
        QVERIFY(m_ui.calls.empty());
    }

    // Escape and Ctrl+W close it from the keyboard, wherever its focus is.
    void closedFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
        QTest::newRow("Ctrl+W") << int(Qt::Key_W) << int(Qt::ControlModifier);
    }
    void closedFromTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        writeHelp("{\\rtf1 text}");
        open();
        QTRY_VERIFY(help() && help()->isActiveWindow());
        help()->view()->setFocus();
        QTest::keyClick(help()->view(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(!frmIstruzioni::instance().window());
        QVERIFY(m_ui.calls.empty());
    }

private:
    test::ScriptedUi m_ui;
    test::TemporaryWorkingDir m_dir;
    QTemporaryDir m_installed;
};

QTEST_MAIN(TestHelpWindow)
#include "tst_help_window.moc"
