// Quillar.ini: its bytes, the reader, and start-up and shut-down against a
// window that logs what it is given, meeting real file faults.
#include "platform/numbered_error.h"
#include "settings/settings_file.h"
#include "settings/settings_format.h"
#include "settings/settings_parser.h"
#include "support/real_faults.h"
#include "support/scripted_ui.h"
#include "support/test_fixtures.h"
#include "settings/settings_restore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace quillar;
using quillar::test::ScriptedUi;

Q_DECLARE_METATYPE(quillar::SettingsRecord)

namespace quillar {
// Lets QCOMPARE show which field differs.
char *toString(const SettingsRecord &r)
{
    return QTest::toString(QString::fromLatin1(formatSettingsRecord(r)));
}
} // namespace quillar

namespace {

const QByteArray DefaultBytes =
    QByteArray::fromHex("2231222C2234383030222C302C302C31313030302C343530302C223331222C22313238222C22313530220D0A");
const QByteArray GoodBytes("\"7\",\"115200\",40000,-120,16000,7000,\"\",\"255\",\"0\"\r\n");
const SettingsRecord Good{"7", "115200", 40000, -120, 16000, 7000, "", "255", "0"};

// frmQuillar as start-up sees it: it keeps what it is given and logs each call.
class FakeWindow final : public SettingsUi
{
public:
    QStringList log;
    QString refuse; // the setter that throws
    SettingsRecord values{"old", "old", -1, -1, -1, -1, "old", "old", "old"};
    qint64 lineByteCount = 42;

    void setPortBoxText(const QString &t) override { set("txtCom1", values.port, t); }
    void setBaudBoxText(const QString &t) override { set("txtBaud1", values.baud, t); }
    void setOuterLeft(double v) override { set("Left", values.left, v); }
    void setOuterTop(double v) override { set("Top", values.top, v); }
    void setOuterWidth(double v) override { set("Width", values.width, v); }
    void setOuterHeight(double v) override { set("Height", values.height, v); }
    void setLowerBoundText(const QString &t) override { set("Text4", values.lowerBound, t); }
    void setHigherBoundText(const QString &t) override { set("Text2", values.higherBound, t); }
    void setLineFeedTimeText(const QString &t) override { set("Text1", values.lineFeedTime, t); }
    // A failure escaping the toggle is ignored, and the count it left is reset.
    void togglePort() override
    {
        log << "toggle";
        lineByteCount = 7;
        throw std::runtime_error("escaped the toggle");
    }
    void resetLineByteCount() override
    {
        log << "reset";
        lineByteCount = 0;
    }

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
    template <typename T>
    void set(const char *name, T &field, const T &value)
    {
        log << QString::fromLatin1(name);
        if (refuse == QLatin1String(name))
            throw NumberedError(380, QStringLiteral("Invalid property value"));
        field = value;
    }
};

const QStringList FullSequence{"txtCom1", "txtBaud1", "Left",  "Top",    "Width", "Height",
                               "Text4",   "Text2",    "Text1", "toggle", "reset"};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(test::permissionsBind(), "permissions do not bind root: run through ctest, which runs this as nobody");
    }

    void writer_data()
    {
        QTest::addColumn<SettingsRecord>("record");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty boxes, minus zero")
            << SettingsRecord{"", "", -0.0, 0, 0, 0, "", "", ""} << QByteArray("\"\",\"\",0,0,0,0,\"\",\"\",\"\"\r\n");
        QTest::newRow("texts unchanged: comma, inner quote, byte 128")
            << SettingsRecord{"1,5", "a\"b", 0, 0, 0, 0, QStringLiteral(u"\u20ac"), "", ""}
            << QByteArray("\"1,5\",\"a\"b\",0,0,0,0,\"\x80\",\"\",\"\"\r\n");
        QTest::newRow("floats in plain decimal, whole numbers exact")
            << SettingsRecord{"", "", 1234.5, double(0.1f), 3e9, 2147483647, "", "", ""}
            << QByteArray("\"\",\"\",1234.5,0.1,3000000000,2147483647,\"\",\"\",\"\"\r\n");
    }
    void writer()
    {
        QFETCH(SettingsRecord, record);
        QFETCH(QByteArray, bytes);
        QCOMPARE(formatSettingsRecord(record), bytes);
    }

    // Fields not reached keep what the (here empty) record held.
    void reader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::addColumn<SettingsRecord>("expected");
        const SettingsRecord good{"2", "9600", 15, 30, 9000, 4000, "32", "127", "0"};
        QTest::newRow("default record") << DefaultBytes << 0 << SettingsRecord::defaults();
        QTest::newRow("empty file fails at field 1") << QByteArray() << 62 << SettingsRecord();
        QTest::newRow("three fields") << QByteArray("\"1\",\"4800\",100\r\n") << 62
                                      << SettingsRecord{"1", "4800", 100, 0, 0, 0, "", "", ""};
        QTest::newRow("blanks, unquoted texts, trailing garbage")
            << QByteArray("  2, \t\"9600\" ,  15 ,\t30,9000,4000 , 32 ,127,\t\"0\"\r\njunk,\"x\r\n\xff") << 0 << good;
        QTest::newRow("CR LF between fields")
            << QByteArray("\"2\"\r\n\"9600\"\r\n15\r\n30\r\n9000\r\n4000\r\n\"32\"\r\n\"127\"\r\n\"0\"\r\n") << 0
            << good;
        QTest::newRow("CR or LF alone ends a field")
            << QByteArray("\"2\"\r\"9600\"\n15\r30\n9000\r4000\n\"32\"\r\"127\"\n\"0\"\r") << 0 << good;
        QTest::newRow("quoted comma kept, inner quote cuts")
            << QByteArray("\"1,5\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"") << 0
            << SettingsRecord{"1,5", "9600", 15, 30, 9000, 4000, "32", "127", "0"};
        QTest::newRow("beyond 16 bits is read")
            << QByteArray("\"1\",\"4800\",40000,-40000,2147483647,-2147483648,\"\",\"\",\"\"") << 0
            << SettingsRecord{"1", "4800", 40000, -40000, 2147483647, -2147483648.0, "", "", ""};
        QTest::newRow("3000000000 fails at field 3")
            << QByteArray("\"1\",\"4800\",3000000000,0,11000,4500,\"31\",\"128\",\"150\"") << 6
            << SettingsRecord{"1", "4800", 0, 0, 0, 0, "", "", ""};
        QTest::newRow("halves to even, quoted, empty, too small")
            << QByteArray("\"1\",\"4800\",1234.5,\"1235.5\",  ,-1e-400,\"31\",\"128\",\"150\"") << 0
            << SettingsRecord{"1", "4800", 1234, 1236, 0, 0, "31", "128", "150"};
        QTest::newRow("non-numeric number field fails")
            << QByteArray("\"1\",\"4800\",15,45e,9000,4000,\"31\",\"128\",\"150\"") << 13
            << SettingsRecord{"1", "4800", 15, 0, 0, 0, "", "", ""};
    }
    void reader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QFETCH(SettingsRecord, expected);
        SettingsRecord record;
        QCOMPARE(test::errorOf([&] { readSettingsRecord(bytes, true, record); }).section(u' ', 0, 0).toInt(), error);
        QCOMPARE(record, expected);
    }

    // A new record replaces a longer file; a huge file is read only in part.
    void fileSteps()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        QVERIFY(test::writeFile(path, QByteArray(200, 'x')));
        SettingsFile::write(path, SettingsRecord::defaults());
        QCOMPARE(test::fileBytes(path), DefaultBytes);
        QVERIFY(test::writeFile(path, DefaultBytes) && QFile::resize(path, qint64(1) << 31)); // sparse
        SettingsFile file(path);
        SettingsRecord record;
        file.openForReading();
        file.read(record);
        QCOMPARE(record, SettingsRecord::defaults());
    }

    // Start-up applies, in order, each value read that the window takes, runs
    // the toggle (its failures ignored) and zeroes the line byte count; any
    // failure silently replaces the file with the default record. Shut-down
    // writes what the window holds.
    void startup_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: none
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QByteArray>("applied"); // as the file would carry it
        QTest::addColumn<QByteArray>("onDisk");
        QTest::newRow("no file: defaults used and written") << QByteArray() << "" << DefaultBytes << DefaultBytes;
        QTest::newRow("good file kept as it is") << GoodBytes << "" << GoodBytes << GoodBytes;
        // Damage: what was read before it, where its box holds it; defaults after.
        QTest::newRow("damaged at field 3")
            << QByteArray("\"3\",\"9600\",3000000000,0,16000,7000,\"40\",\"200\",\"0\"\r\n") << ""
            << QByteArray("\"3\",\"9600\",0,0,11000,4500,\"31\",\"128\",\"150\"\r\n") << DefaultBytes;
        QTest::newRow("a line end alone: an empty port box")
            << QByteArray("\r\n") << "" << QByteArray("\"\",\"4800\",0,0,11000,4500,\"31\",\"128\",\"150\"\r\n")
            << DefaultBytes;
        QTest::newRow("texts no box could hold")
            << QByteArray("\"-g\",\"96x0\",20,30,9000,4000,\"a\x7f\",\"1234\"") << ""
            << QByteArray("\"1\",\"4800\",20,30,9000,4000,\"31\",\"128\",\"150\"\r\n") << DefaultBytes;
        QByteArray junk(1 << 20, Qt::Uninitialized);
        QRandomGenerator(18).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
        QTest::newRow("a megabyte of random bytes") << junk << "" << DefaultBytes << DefaultBytes;
        // Field by field: only the refused one keeps the window's old value.
        const QList<QByteArray> good = GoodBytes.split(','), old = formatSettingsRecord(FakeWindow().values).split(',');
        for (int i = 0; i < SettingsRecord::FieldCount; ++i) {
            QList<QByteArray> applied = good;
            applied[i] = old[i];
            QTest::addRow("%s refused", qPrintable(FullSequence[i]))
                << GoodBytes << FullSequence[i] << applied.join(',') << DefaultBytes;
        }
    }
    void startup()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, refused);
        QFETCH(QByteArray, applied);
        QFETCH(QByteArray, onDisk);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        if (!file.isEmpty())
            QVERIFY(test::writeFile(path, file));
        ScriptedUi ui;
        FakeWindow window;
        window.refuse = refused;
        restoreSettings(window, path);
        QCOMPARE(window.log, FullSequence);
        QCOMPARE(formatSettingsRecord(window.values), applied);
        QCOMPARE(window.lineByteCount, qint64(0));
        QCOMPARE(test::fileBytes(path), onDisk);
        QVERIFY(ui.calls.empty());
        window.values = Good;
        saveSettings(window, path);
        QCOMPARE(test::fileBytes(path), GoodBytes);
    }

    // Of a damaged record, each box keeps the longest text it holds as
    // typed, and takes its default for one character more.
    void damagedBoxLimits_data()
    {
        QTest::addColumn<int>("field"); // from 1, in file order
        QTest::addColumn<QString>("longest");
        QTest::addColumn<QString>("tooLong");
        QTest::newRow("port") << 1 << "99"
                              << "100";
        QTest::newRow("baud") << 2 << "921600"
                              << "1000000";
        QTest::newRow("lower bound") << 7 << "a.\u00e9"
                                     << "a.b.";
        QTest::newRow("higher bound") << 8 << "255"
                                      << "1000";
        QTest::newRow("line-feed time") << 9 << "9999"
                                        << "10000";
        QTest::newRow("port, a letter") << 1 << ""
                                        << "1a";
        QTest::newRow("baud, a sign") << 2 << "9"
                                      << "+9";
    }
    void damagedBoxLimits()
    {
        QFETCH(int, field);
        QFETCH(QString, longest);
        QFETCH(QString, tooLong);
        const SettingsRecord defaults = SettingsRecord::defaults();
        QString SettingsRecord::*const texts[] = {&SettingsRecord::port,
                                                  &SettingsRecord::baud,
                                                  nullptr,
                                                  nullptr,
                                                  nullptr,
                                                  nullptr,
                                                  &SettingsRecord::lowerBound,
                                                  &SettingsRecord::higherBound,
                                                  &SettingsRecord::lineFeedTime};
        QString SettingsRecord::*const text = texts[field - 1];
        SettingsRecord record = defaults;
        record.*text = longest;
        QCOMPARE(usableAfterDamage(record), record);
        record.*text = tooLong;
        QCOMPARE(usableAfterDamage(record), defaults);
    }

    void unwritable_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("there"); // the record already there
        QTest::addColumn<QString>("reason");
        QTest::newRow("name taken by a folder")
            << "Quillar.ini" << QByteArray() << "Errore n.75: Errore di accesso al percorso o al file";
        QTest::newRow("folder missing") << "gone/Quillar.ini" << QByteArray()
                                        << "Errore n.76: Impossibile trovare il percorso";
        QTest::newRow("read-only folder") << "locked/Quillar.ini" << QByteArray() << "Errore n.70: Permesso negato";
        // The new record is written beside the old and would only then take its place.
        QTest::newRow("full filesystem keeps the record there")
            << "<full>/Quillar.ini" << GoodBytes << "Errore n.61: Disco pieno";
    }
    // One message naming the file and the reason, however many steps fail;
    // start-up goes on with what it has, and the file is left closed.
    void unwritable()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, there);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QDir folder(dir.path());
        QVERIFY(folder.mkdir(QStringLiteral("locked")) && folder.mkdir(QStringLiteral("Quillar.ini")));
        QVERIFY(QFile::setPermissions(dir.filePath("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QString path = dir.filePath(name);
        if (name.startsWith(QLatin1String("<full>"))) {
            if (test::smallDisk().isEmpty())
                QSKIP("no small filesystem to fill: ctest mounts one when it runs as root");
            path = name.replace(QLatin1String("<full>"), test::smallDisk());
            QVERIFY(test::writeFile(path, there));
            QVERIFY(test::fillSmallDisk());
        }
        ScriptedUi ui;
        FakeWindow window;
        window.refuse = QStringLiteral("Text2");
        restoreSettings(window, path);
        SettingsRecord expected = there.isEmpty() ? SettingsRecord::defaults() : Good;
        expected.higherBound = QStringLiteral("old");
        QCOMPARE(window.values, expected);
        QCOMPARE(window.log, FullSequence);
        saveSettings(window, path);
        QCOMPARE(ui.calls.size(), std::size_t(2)); // one at start-up, one at shut-down
        for (const auto &call : ui.calls) {
            QCOMPARE(call.title, QStringLiteral("Quillar"));
            QVERIFY2(call.text.contains(QDir::toNativeSeparators(path)) && call.text.endsWith(reason),
                     qPrintable(call.text));
        }
        QCOMPARE(test::openDescriptorsOf(path), 0);
        if (!there.isEmpty())
            QCOMPARE(test::fileBytes(path), there);
        test::emptySmallDisk();
        QFile::remove(path);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
