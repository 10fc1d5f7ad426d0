// Save: what the file holds, the questions asked, and the failures reported.
#include "capture/capture_save.h"
#include "platform/codepage.h"
#include "receive/display_buffer.h"
#include "support/real_faults.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillar;
using quillar::test::ScriptedUi;
using Kind = ScriptedUi::Kind;

class TestCaptureSave : public QObject, private CaptureUi
{
    Q_OBJECT

    void focusDisplay() override { ++m_focus; }
    QWidget *dialogParent() override { return nullptr; }

    std::optional<QTemporaryDir> m_tmp; // fresh for each test
    DisplayBuffer m_display;
    int m_focus = 0;
    std::optional<CaptureSave> m_save;
    std::optional<ScriptedUi> m_ui;

    QString file(const QString &name) const { return m_tmp->filePath(name); }
    QByteArray saved() const { return test::fileBytes(file("Debug.txt")); }

private slots:
    void init()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
        m_tmp.emplace();
        QVERIFY(m_tmp->isValid());
        m_display.clear();
        m_focus = 0;
        m_save.emplace(m_display, static_cast<CaptureUi &>(*this), m_tmp->path());
        m_ui.emplace();
        m_ui->saveAnswers = {file("Debug.txt")};
    }

    // The display byte for byte and CR LF, replacing a longer file; with a
    // selection the question decides. Text arriving while the dialog is open
    // is written too, and leaves the selection as it was.
    void writes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selectionEnd"); // from 1; 0: none
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<bool>("arrivesDuringDialog");
        QTest::addColumn<QByteArray>("written");
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        QTest::newRow("every byte a device sends, unchanged")
            << decodeBytes(all) << 0 << QList<bool>() << false << all + "\r\n";
        QTest::newRow("selection, No") << "ab\r\ncd" << 5 << QList<bool>{false} << false << QByteArray("ab\r\ncd\r\n");
        QTest::newRow("text during the dialog")
            << "abcdef" << 0 << QList<bool>() << true << QByteArray("abcdef<003>\r\n\r\n");
        QTest::newRow("a selection survives text during the dialog")
            << "abcdef" << 4 << QList<bool>{true} << true << QByteArray("bcd\r\n");
    }
    void writes()
    {
        QFETCH(QString, text);
        QFETCH(int, selectionEnd);
        QFETCH(QList<bool>, answers);
        QFETCH(bool, arrivesDuringDialog);
        QVERIFY(test::writeFile(file("Debug.txt"), QByteArray(500, 'o'))); // a longer capture, wholly replaced
        m_ui->yesNoAnswers.assign(answers.begin(), answers.end());
        if (arrivesDuringDialog)
            m_ui->whileOpen = [&](Kind) { m_display.append(QStringLiteral("<003>\r\n")); };
        m_display.append(text);
        m_display.setSelection(selectionEnd ? 1 : 0, selectionEnd);
        m_save->save();

        QTEST(saved(), "written");
        // "title: text", a dialog's text being its filter, folder and name.
        QStringList asked;
        for (const ScriptedUi::Call &c : m_ui->calls) {
            const auto &r = c.request;
            asked << c.title + ": "
                    + (c.kind == Kind::SaveDialog ? r.filter + ' ' + r.directory + '/' + r.fileName : c.text);
        }
        QStringList expected{"Salva File: File di testo (*.txt)|*.txt|Tutti i file|*.*"
                             + (' ' + QDir(m_tmp->path()).absolutePath()) + "/Debug.txt"};
        if (!answers.isEmpty())
            expected << QStringLiteral("Salva File: Salvare solo il testo selezionato ?");
        QCOMPARE(asked, expected);
        QCOMPARE(m_focus, 1);
    }

    // An empty display asks nothing; a cancelled dialog is silent.
    void nothingToWrite()
    {
        m_save->save();
        m_ui->saveAnswers.clear(); // no answer: the dialog is cancelled
        m_display.append(QStringLiteral("x"));
        m_save->save();
        QCOMPARE(m_ui->calls.size(), std::size_t(1)); // the second one's dialog
        QVERIFY(QDir(m_tmp->path()).isEmpty());
        QCOMPARE(m_focus, 1);
    }

    // The box "Errore n.<number>" with the description; the file is closed,
    // so the next save works.
    void failures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::newRow("read-only folder") << "locked/Debug.txt" << 70 << "Permesso negato";
        QTest::newRow("disk full") << "/dev/full" << 61 << "Disco pieno";
    }
    void failures()
    {
        QFETCH(QString, target);
        QFETCH(int, number);
        QFETCH(QString, description);
        QVERIFY(QDir(m_tmp->path()).mkdir(QStringLiteral("locked")));
        QVERIFY(QFile::setPermissions(file("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (!target.startsWith(u'/'))
            target = file(target);
        m_ui->saveAnswers = {target, file("Debug.txt")};
        m_display.append(QStringLiteral("data"));
        m_save->save();
        QCOMPARE(test::openDescriptorsOf(target), 0);
        m_save->save();
        QCOMPARE(saved(), QByteArray("data\r\n"));
        const auto boxes = m_ui->callsOf(Kind::Message);
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].title + ": " + boxes[0].text, QStringLiteral("Errore n.%1: ").arg(number) + description);
        QCOMPARE(boxes[0].icon, ModalUi::Icon::None);
        QCOMPARE(m_focus, 2);
    }

    void unwritableSettingsFolderProposesHome()
    {
        QCOMPARE(CaptureSave(m_display, *this, file("not-there")).proposedDirectory(), QDir::homePath());
    }
};

QTEST_GUILESS_MAIN(TestCaptureSave)
#include "tst_capture_save.moc"
