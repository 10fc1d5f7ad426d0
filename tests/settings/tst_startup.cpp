#include "settings_test_support.h"

#include "platform/numbered_error.h"
#include "settings/settings_format.h"
#include "support/real_faults.h"
#include "support/scripted_ui.h"
#include "window/startup.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace quillar;
using quillar::test::ScriptedUi;

namespace {

// frmQuillar as start-up sees it: it keeps what it is given and logs each call.
class FakeWindow final : public SettingsUi
{
public:
    QStringList log;
    QString refuse;           // the setter that throws
    bool toggleFails = false; // Command1_Click throws
    SettingsRecord values = makeRecord("old", "old", -1, -1, -1, -1, "old", "old", "old");
    qint64 lineByteCount = 42;

    void setPortBoxText(const QString &t) override { call("txtCom1"); values.port = t; }
    void setBaudBoxText(const QString &t) override { call("txtBaud1"); values.baud = t; }
    void setOuterLeft(double v) override { call("Left"); values.left = v; }
    void setOuterTop(double v) override { call("Top"); values.top = v; }
    void setOuterWidth(double v) override { call("Width"); values.width = v; }
    void setOuterHeight(double v) override { call("Height"); values.height = v; }
    void setLowerBoundText(const QString &t) override { call("Text4"); values.lowerBound = t; }
    void setHigherBoundText(const QString &t) override { call("Text2"); values.higherBound = t; }
    void setLineFeedTimeText(const QString &t) override { call("Text1"); values.lineFeedTime = t; lineByteCount = 0; }
    void togglePort() override
    {
        log << "Command1_Click";
        lineByteCount = 7; // what the toggle does to the count must not survive
        if (toggleFails)
            throw std::runtime_error("escaped the toggle");
    }
    void resetLineByteCount() override { log << "LineByteCount=0"; lineByteCount = 0; }

    QString portBoxText() const override { return values.port; }
    QString baudBoxText() const override { return values.baud; }
    double outerLeft() const override { return values.left; }
    double outerTop() const override { return values.top; }
    double outerWidth() const override { return values.width; }
    double outerHeight() const override { return values.height; }
    QString lowerBoundText() const override { return values.lowerBound; }
    QString higherBoundText() const override { return values.higherBound; }
    QString lineFeedTimeText() const override { return values.lineFeedTime; }
    QWidget *dialogParent() override { return nullptr; }

private:
    void call(const char *name)
    {
        log << QString::fromLatin1(name);
        if (refuse == QLatin1String(name))
            throw NumberedError(380, QStringLiteral("Invalid property value"));
    }
};

const QStringList FullSequence = {"txtCom1", "txtBaud1", "Left", "Top", "Width", "Height",
                                  "Text4", "Text2", "Text1", "Command1_Click", "LineByteCount=0"};
const QByteArray GoodBytes("\"7\",\"115200\",40000,-120,16000,7000,\"\",\"255\",\"0\"\r\n");
const SettingsRecord Good = makeRecord("7", "115200", 40000, -120, 16000, 7000, "", "255", "0");

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
    }

    void startup_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<SettingsRecord>("applied");
        QTest::addColumn<QByteArray>("onDisk");
        const QByteArray defaults = formatSettingsRecord(SettingsRecord::defaults());
        QTest::newRow("no file: defaults used and written") << false << QByteArray() << SettingsRecord::defaults() << defaults;
        QTest::newRow("empty file: empty boxes, zeros") << true << QByteArray() << SettingsRecord() << defaults;
        QTest::newRow("good file kept as it is") << true << GoodBytes << Good << GoodBytes;
        QTest::newRow("window value past 32 bits: fields 1 and 2 only")
            << true << QByteArray("\"3\",\"9600\",3000000000,0,11000,4500,\"31\",\"128\",\"150\"\r\n")
            << makeRecord("3", "9600", 0, 0, 0, 0, "", "", "") << defaults;
    }
    void startup()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, bytes);
        QFETCH(SettingsRecord, applied);
        QFETCH(QByteArray, onDisk);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        if (exists)
            put(path, bytes);
        ScriptedUi ui;
        FakeWindow window;
        restoreSettings(window, path);
        QCOMPARE(window.log, FullSequence);
        QCOMPARE(window.values, applied);
        QCOMPARE(window.lineByteCount, qint64(0));
        QCOMPARE(contents(path), onDisk);
        QVERIFY(ui.calls.empty()); // a bad file is replaced without a message

        // Shut-down right away writes back what was read.
        window.values = Good;
        saveSettings(window, path);
        QCOMPARE(contents(path), GoodBytes);
    }

    void refusedValue_data()
    {
        QTest::addColumn<QString>("setter");
        for (const QString &s : FullSequence.first(9))
            QTest::newRow(qPrintable(s)) << s;
    }
    // Every value but the refused one reaches the window; the file becomes the
    // default record. A failure escaping the toggle is ignored too.
    void refusedValue()
    {
        QFETCH(QString, setter);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        put(path, GoodBytes);
        ScriptedUi ui;
        FakeWindow window;
        window.refuse = setter;
        window.toggleFails = true;
        const SettingsRecord before = window.values;
        restoreSettings(window, path);
        QCOMPARE(window.log, FullSequence);
        // Field by field, as the file would carry them: only the refused one kept its old value.
        const auto fields = [](const SettingsRecord &r) { return QString::fromLatin1(formatSettingsRecord(r)).split(u','); };
        QStringList expected = fields(Good);
        const qsizetype refused = FullSequence.indexOf(setter);
        expected[refused] = fields(before)[refused];
        QCOMPARE(fields(window.values), expected);
        QCOMPARE(contents(path), formatSettingsRecord(SettingsRecord::defaults()));
        QCOMPARE(window.lineByteCount, qint64(0));
        QVERIFY(ui.calls.empty());
    }

    void unwritable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("name taken by a folder") << "Quillar.ini/" << "Errore n.75: Path/File access error";
        QTest::newRow("folder missing") << "gone/Quillar.ini" << "Errore n.76: Path not found";
        QTest::newRow("read-only folder") << "locked/Quillar.ini" << "Errore n.70: Permission denied";
        QTest::newRow("full filesystem") << "<full>/Quillar.ini" << "Errore n.61: Disk full";
    }
    // One message naming the file and the reason; start-up goes on with the
    // defaults, the file is left closed, and writing elsewhere still works.
    void unwritable()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
        QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (name.endsWith(u'/')) {
            name.chop(1);
            QVERIFY(QDir(dir.path()).mkdir(name));
        }
        QString path = dir.filePath(name);
        if (name.startsWith(QLatin1String("<full>"))) {
            if (test::smallDisk().isEmpty())
                QSKIP("no small filesystem to fill: ctest mounts one when it runs as root");
            QVERIFY(test::fillSmallDisk());
            path = name.replace(QLatin1String("<full>"), test::smallDisk());
        }
        ScriptedUi ui;
        FakeWindow window;
        restoreSettings(window, path);
        QCOMPARE(window.values, SettingsRecord::defaults());
        QCOMPARE(window.log, FullSequence);
        QCOMPARE(ui.calls.size(), std::size_t(1));
        QCOMPARE(ui.calls[0].title, QStringLiteral("Quillar"));
        QVERIFY2(ui.calls[0].text.contains(QDir::toNativeSeparators(path)), qPrintable(ui.calls[0].text));
        QVERIFY2(ui.calls[0].text.endsWith(reason), qPrintable(ui.calls[0].text));

        ui.clear();
        saveSettings(window, path);
        QCOMPARE(ui.calls.size(), std::size_t(1));
        QVERIFY(ui.calls[0].text.contains(QDir::toNativeSeparators(path)));
        QVERIFY(ui.calls[0].text.endsWith(reason));
        QCOMPARE(test::openDescriptorsOf(path), 0);
        QCOMPARE(window.values, SettingsRecord::defaults());

        const QString elsewhere = dir.filePath(QStringLiteral("Quillar.ini.elsewhere"));
        saveSettings(window, elsewhere);
        QCOMPARE(contents(elsewhere), formatSettingsRecord(SettingsRecord::defaults()));
        test::emptySmallDisk();
    }

    // On a full filesystem the record already there is kept whole: the new
    // one is written beside it and would only then take its place.
    void fullFilesystemKeepsTheRecordThere()
    {
        if (test::smallDisk().isEmpty())
            QSKIP("no small filesystem to fill: ctest mounts one when it runs as root");
        const QString path = QDir(test::smallDisk()).filePath(QStringLiteral("Quillar.ini"));
        put(path, GoodBytes);
        QVERIFY(test::fillSmallDisk());
        ScriptedUi ui;
        FakeWindow window;
        window.values = makeRecord("4", "19200", 15, 30, 9000, 4000, "31", "128", "0");
        saveSettings(window, path);
        QCOMPARE(ui.calls.size(), std::size_t(1));
        QVERIFY2(ui.calls[0].text.endsWith(QStringLiteral("Errore n.61: Disk full")), qPrintable(ui.calls[0].text));
        QCOMPARE(contents(path), GoodBytes);
        QCOMPARE(QDir(test::smallDisk()).entryList(QDir::Files), (QStringList{"Quillar.ini"}));
        test::emptySmallDisk();
        QFile::remove(path);
    }

    void keepOnScreens_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("expected");
        const QRect w(3300, 200, 700, 300);
        QTest::newRow("on the second screen") << QRect(2000, 100, 700, 300) << QRect(2000, 100, 700, 300);
        QTest::newRow("partly on a screen") << QRect(-600, -200, 700, 300) << QRect(-600, -200, 700, 300);
        QTest::newRow("right of every screen") << w << QRect(QPoint(0, 0), w.size());
        QTest::newRow("in the gap below the narrow screen") << QRect(1920, 900, 100, 100) << QRect(0, 0, 100, 100);
        QTest::newRow("no size, off screen") << QRect(9000, 9000, 0, 0) << QRect(0, 0, 0, 0);
    }
    void keepOnScreens()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, expected);
        const QRect primary(0, 0, 1920, 1080);
        QCOMPARE(quillar::keptOnScreens(window, {primary, QRect(1920, 0, 1280, 800)}, primary), expected);
        QCOMPARE(quillar::keptOnScreens(window, {}, primary), window);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
