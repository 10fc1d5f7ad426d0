// Save through the real window: bytes from a pseudo-terminal reach the
// display, the user selects with the mouse and clicks Save, and the scripted
// seam answers the dialog and the question.
#include "receive/display_buffer.h"
#include "receive/display_view.h"
#include "support/pseudo_terminal.h"
#include "support/scripted_ui.h"
#include "window/frm_quillar.h"
#include "window_on_device.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace quillar;
using quillar::test::ScriptedUi;
using quillar::test::WindowOnDevice;

class TestWindowSave : public WindowOnDevice
{
    Q_OBJECT

    DisplayView *display() const { return child<DisplayView>("Text3"); }
    QString capturePath() const { return m_dir->filePath(QStringLiteral("capture.txt")); }
    QByteArray capture() const
    {
        QFile f(capturePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
    }
    // A drag with the left button from the cell of position `from` to that of `to`.
    void dragSelect(qsizetype from, qsizetype to)
    {
        QWidget *viewport = display()->viewport();
        const auto at = [this](qsizetype position) {
            return display()->cellRect(position).topLeft().toPoint() + QPoint(1, 2);
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, at(from));
        QTest::mouseMove(viewport, at((from + to) / 2));
        QTest::mouseMove(viewport, at(to));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(to));
    }

private slots:
    void init()
    {
        QVERIFY(startWindow());
        // Lines end on line feeds; bytes up to 255 shown as themselves.
        child<QLineEdit>("Text1")->setText(QStringLiteral("0"));
        child<QLineEdit>("Text2")->setText(QStringLiteral("256"));
        child<QLineEdit>("txtCom1")->setText(QStringLiteral("2"));
        QTest::mouseClick(child("Command1"), Qt::LeftButton);
        QCOMPARE(child<QLabel>("lblStatus")->text(), QStringLiteral("Porta COM2: 9600,n,8,1 OK"));
    }
    void cleanup() { stopWindow(); }

    // The selected bytes, exactly as the device sent them, then CR LF.
    void selectionSavedOnYes()
    {
        QVERIFY(m_device->writeAll("h\xE9llo world\n"));
        QTRY_COMPARE(m_window->display().text(), QStringLiteral("h\u00E9llo world[LF]\r\n"));
        dragSelect(0, 5);
        QCOMPARE(m_window->display().selectedText(), QStringLiteral("h\u00E9llo"));

        m_seam->saveAnswers = {capturePath()};
        m_seam->yesNoAnswers = {true};
        QTest::mouseClick(child("Command4"), Qt::LeftButton);

        QCOMPARE(capture(), QByteArray("h\xE9llo\r\n"));
        const auto dialogs = m_seam->callsOf(ScriptedUi::Kind::SaveDialog);
        QCOMPARE(dialogs.size(), 1u);
        QCOMPARE(dialogs[0].request.title, QStringLiteral("Salva File"));
        QCOMPARE(dialogs[0].request.fileName, QStringLiteral("Debug.txt"));
        // The program's own directory (a build directory, writable).
        QCOMPARE(QDir(dialogs[0].request.directory), QDir(QCoreApplication::applicationDirPath()));
        QCOMPARE(dialogs[0].request.filter, QStringLiteral("File di testo (*.txt)|*.txt|Tutti i file|*.*"));
        const auto questions = m_seam->callsOf(ScriptedUi::Kind::Question);
        QCOMPARE(questions.size(), 1u);
        QCOMPARE(questions[0].text, QStringLiteral("Salvare solo il testo selezionato ?"));
        QCOMPARE(questions[0].title, QStringLiteral("Salva File"));
        QVERIFY(m_seam->callsOf(ScriptedUi::Kind::Message).empty());
        QCOMPARE(QApplication::focusWidget(), display());
    }

    // Text read after the dialog: what arrives while it is open is saved,
    // and the append that removed the selection leaves no question to ask.
    void dataArrivingWhileTheDialogIsOpen()
    {
        QVERIFY(m_device->writeAll("first\n"));
        QTRY_COMPARE(m_window->display().text(), QStringLiteral("first[LF]\r\n"));
        dragSelect(0, 5);
        QCOMPARE(m_window->display().selectedText(), QStringLiteral("first"));

        m_seam->saveAnswers = {capturePath()};
        bool arrived = false;
        m_seam->whileOpen = [&](ScriptedUi::Kind kind) {
            if (kind != ScriptedUi::Kind::SaveDialog)
                return;
            QVERIFY(m_device->writeAll("second\x01\n"));
            arrived = QTest::qWaitFor([this] { return m_window->display().text().contains(QLatin1String("second")); });
        };
        QTest::mouseClick(child("Command4"), Qt::LeftButton);

        QVERIFY(arrived);
        QCOMPARE(capture(), QByteArray("first[LF]\r\nsecond[01][LF]\r\n\r\n"));
        QVERIFY(m_seam->callsOf(ScriptedUi::Kind::Question).empty());
        QCOMPARE(QApplication::focusWidget(), display());
    }
};

QTEST_MAIN(TestWindowSave)
#include "tst_window_save.moc"
