#include "capture/capture_save.h"
#include "platform/codepage.h"
#include "receive/display_buffer.h"
#include "support/real_faults.h"
#include "support/scripted_ui.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillar;
using quillar::test::ScriptedUi;
using Kind = ScriptedUi::Kind;

Q_DECLARE_METATYPE(Kind)

namespace {
QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestCaptureSave : public QObject, private CaptureUi
{
    Q_OBJECT

    void focusDisplay() override { ++m_focus; }
    QWidget *dialogParent() override { return nullptr; }

    std::optional<QTemporaryDir> m_tmp; // fresh for each test
    DisplayBuffer m_display;
    int m_focus = 0;
    std::optional<CaptureSave> m_save;

    QString dir() const { return m_tmp->path(); }
    QString file(const QString &name) const { return m_tmp->filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
    }

    void init()
    {
        m_tmp.emplace();
        QVERIFY(m_tmp->isValid());
        m_display.clear();
        m_focus = 0;
        m_save.emplace(m_display, static_cast<CaptureUi &>(*this), dir());
    }

    void writes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selEnd");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("no selection: whole text, no question") << "ab\r\ncd" << 0 << 0 << QList<bool>() << QByteArray("ab\r\ncd\r\n");
        QTest::newRow("selection, Yes") << "ab\r\ncd" << 1 << 5 << QList<bool>{true} << QByteArray("b\r\nc\r\n");
        QTest::newRow("selection, No") << "ab\r\ncd" << 5 << 1 << QList<bool>{false} << QByteArray("ab\r\ncd\r\n");
        QTest::newRow("display ending in CR LF") << "[CR][LF]<002>\r\n" << 0 << 0 << QList<bool>() << QByteArray("[CR][LF]<002>\r\n\r\n");
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        QTest::newRow("every byte a device sends, unchanged") << decodeBytes(all) << 0 << 0 << QList<bool>() << all + "\r\n";
    }
    void writes()
    {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selEnd);
        QFETCH(QList<bool>, answers);
        QFETCH(QByteArray, written);
        QFile old(file("Debug.txt")); // a longer capture, wholly replaced
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(500, 'o')) == 500);
        old.close();
        ScriptedUi ui;
        ui.saveAnswers = {file("Debug.txt")};
        ui.yesNoAnswers.assign(answers.begin(), answers.end());
        m_display.append(text);
        m_display.setSelection(selStart, selEnd);
        m_save->save();

        QCOMPARE(contents(file("Debug.txt")), written);
        const auto dialogs = ui.callsOf(Kind::SaveDialog);
        QCOMPARE(dialogs.size(), std::size_t(1));
        QCOMPARE(dialogs[0].request.title, QStringLiteral("Salva File"));
        QCOMPARE(dialogs[0].request.filter, QStringLiteral("File di testo (*.txt)|*.txt|Tutti i file|*.*"));
        QCOMPARE(dialogs[0].request.fileName, QStringLiteral("Debug.txt"));
        QCOMPARE(dialogs[0].request.directory, QDir(dir()).absolutePath());
        const auto questions = ui.callsOf(Kind::Question);
        QCOMPARE(questions.size(), std::size_t(answers.size()));
        for (const auto &q : questions) {
            QCOMPARE(q.text, QStringLiteral("Salvare solo il testo selezionato ?"));
            QCOMPARE(q.title, QStringLiteral("Salva File"));
        }
        QVERIFY(ui.callsOf(Kind::Message).empty());
        QCOMPARE(m_focus, 1);
    }

    // An empty display asks nothing; a cancelled dialog is silent.
    void nothingToWrite()
    {
        ScriptedUi ui; // no answer: the dialog is cancelled
        m_save->save();
        QVERIFY(ui.calls.empty());
        QCOMPARE(m_focus, 0);
        m_display.append(QStringLiteral("x"));
        m_save->save();
        QCOMPARE(ui.calls.size(), std::size_t(1));
        QVERIFY(QDir(dir()).isEmpty());
        QCOMPARE(m_focus, 1);
    }

    // Text arriving while the dialog is open is written too; it removed the
    // selection, so there is no question. A Yes saves what was selected when
    // the question was asked, though arriving text removed it meanwhile.
    void dataWhileOpen_data()
    {
        QTest::addColumn<Kind>("openBox");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("during the dialog") << Kind::SaveDialog << QList<bool>() << QByteArray("abcdef<003>\r\n\r\n");
        QTest::newRow("during the question") << Kind::Question << QList<bool>{true} << QByteArray("bcd\r\n");
    }
    void dataWhileOpen()
    {
        QFETCH(Kind, openBox);
        QFETCH(QList<bool>, answers);
        QFETCH(QByteArray, written);
        ScriptedUi ui;
        ui.saveAnswers = {file("Debug.txt")};
        ui.yesNoAnswers.assign(answers.begin(), answers.end());
        ui.whileOpen = [&](Kind k) {
            if (k == openBox)
                m_display.append(QStringLiteral("<003>\r\n"));
        };
        m_display.append(QStringLiteral("abcdef"));
        m_display.setSelection(1, 4);
        m_save->save();
        QCOMPARE(ui.callsOf(Kind::Question).size(), std::size_t(answers.size()));
        QCOMPARE(contents(file("Debug.txt")), written);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        QTest::newRow("folder missing") << "nowhere/Debug.txt" << 76 << "Path not found";
        QTest::newRow("name is a folder") << "sub" << 75 << "Path/File access error";
        QTest::newRow("read-only folder") << "locked/Debug.txt" << 70 << "Permission denied";
        QTest::newRow("disk full: /dev/full") << "/dev/full" << 61 << "Disk full";
        QTest::newRow("disk full: a full filesystem") << "<full>/Debug.txt" << 61 << "Disk full";
    }
    // The box "Errore n.<number>" with the description; the file is closed,
    // so the next save works.
    void failures()
    {
        QFETCH(QString, target);
        QFETCH(int, number);
        QFETCH(QString, description);
        QVERIFY(QDir(dir()).mkdir(QStringLiteral("sub")));
        QVERIFY(QDir(dir()).mkdir(QStringLiteral("locked")));
        QVERIFY(QFile::setPermissions(file("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (target.startsWith(QLatin1String("<full>"))) {
            if (test::smallDisk().isEmpty())
                QSKIP("no small filesystem to fill: ctest mounts one when it runs as root");
            QVERIFY(test::fillSmallDisk());
            target.replace(QLatin1String("<full>"), test::smallDisk());
        } else if (!target.startsWith(u'/')) {
            target = file(target);
        }

        ScriptedUi ui;
        ui.saveAnswers = {target, file("second.txt")};
        m_display.append(QStringLiteral("data"));
        m_save->save();
        const auto boxes = ui.callsOf(Kind::Message);
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].title, QStringLiteral("Errore n.%1").arg(number));
        QCOMPARE(boxes[0].text, description);
        QCOMPARE(boxes[0].icon, ModalUi::Icon::None);
        QCOMPARE(m_focus, 1);
        QCOMPARE(test::openDescriptorsOf(target), 0);

        m_save->save();
        QCOMPARE(contents(file("second.txt")), QByteArray("data\r\n"));
        QCOMPARE(ui.callsOf(Kind::Message).size(), std::size_t(1));
        QCOMPARE(m_focus, 2);
        test::emptySmallDisk();
    }

    void unwritableProgramFolderProposesCurrent()
    {
        CaptureSave save(m_display, *this, file("not-there"));
        QCOMPARE(save.proposedDirectory(), QDir::currentPath());
    }
};

QTEST_GUILESS_MAIN(TestCaptureSave)
#include "tst_capture_save.moc"
