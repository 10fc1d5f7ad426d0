#include "settings_test_support.h"

#include "platform/numbered_error.h"
#include "settings/settings_file.h"
#include "settings/settings_format.h"
#include "settings/settings_parser.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quillar;

namespace {
const QByteArray DefaultBytes = QByteArray::fromHex(
    "2231222C2234383030222C302C302C31313030302C343530302C223331222C22313238222C22313530220D0A");

// The error number a read ends with, 0 for none.
int readInto(const QByteArray &bytes, SettingsRecord &record)
{
    try {
        readSettingsRecord(bytes, true, record);
    } catch (const NumberedError &e) {
        return e.number();
    }
    return 0;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void writer_data()
    {
        QTest::addColumn<SettingsRecord>("record");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("default record, 44 bytes") << SettingsRecord::defaults() << DefaultBytes;
        QTest::newRow("negative position")
            << makeRecord("3", "9600", -120, -45, 11000, 4500, "31", "128", "0")
            << QByteArray("\"3\",\"9600\",-120,-45,11000,4500,\"31\",\"128\",\"0\"\r\n");
        QTest::newRow("empty boxes") << SettingsRecord()
                                     << QByteArray("\"\",\"\",0,0,0,0,\"\",\"\",\"\"\r\n");
        QTest::newRow("comma and inner quote unchanged")
            << makeRecord("1,5", "a\"b", 0, 0, 0, 0, "", "", "")
            << QByteArray("\"1,5\",\"a\"b\",0,0,0,0,\"\",\"\",\"\"\r\n");
        QTest::newRow("fractions as floats, period, no exponent")
            << makeRecord("1", "2", 1234.5, double(0.1f), -7.25, 3e9, "", "", "")
            << QByteArray("\"1\",\"2\",1234.5,0.1,-7.25,3000000000,\"\",\"\",\"\"\r\n");
        QTest::newRow("whole number no float holds") << makeRecord("", "", 2147483647, -0.0, 16777217, 0, "", "", "")
                                                     << QByteArray("\"\",\"\",2147483647,0,16777217,0,\"\",\"\",\"\"\r\n");
        QTest::newRow("bytes 128-255 of a text") << makeRecord(QStringLiteral(u"\u20ac\u00ff"), "", 0, 0, 0, 0, "", "", "")
                                                 << QByteArray("\"\x80\xff\",\"\",0,0,0,0,\"\",\"\",\"\"\r\n");
    }
    void writer()
    {
        QFETCH(SettingsRecord, record);
        QFETCH(QByteArray, bytes);
        QCOMPARE(formatSettingsRecord(record), bytes);
    }

    void reader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("error");
        QTest::addColumn<SettingsRecord>("expected");
        const auto good = makeRecord("2", "9600", 15, 30, 9000, 4000, "32", "127", "0");
        QTest::newRow("default record") << DefaultBytes << 0 << SettingsRecord::defaults();
        QTest::newRow("empty file fails at field 1") << QByteArray() << 62 << SettingsRecord();
        QTest::newRow("three fields") << QByteArray("\"1\",\"4800\",100\r\n") << 62
                                      << makeRecord("1", "4800", 100, 0, 0, 0, "", "", "");
        QTest::newRow("eight fields and a comma") << QByteArray("\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",") << 62
                                                 << makeRecord("2", "9600", 15, 30, 9000, 4000, "32", "127", "");
        QTest::newRow("trailing garbage ignored")
            << QByteArray("\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"\r\njunk,\"x\r\n") + QByteArray("\0\xff", 2)
            << 0 << good;
        QTest::newRow("no line end after the ninth") << QByteArray("\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"")
                                                     << 0 << good;
        QTest::newRow("blanks before fields, after unquoted values")
            << QByteArray("  \"2\", \t\"9600\" ,  15 ,\t30,9000,4000 , \"32\",\"127\",\t\"0\"\r\n") << 0 << good;
        QTest::newRow("unquoted texts") << QByteArray("2,9600,15,30,9000,4000,32,127,0\r\n") << 0 << good;
        QTest::newRow("unquoted text keeps inner blanks") << QByteArray("a b  ,9600,15,30,9000,4000,32,127,0")
                                                          << 0 << makeRecord("a b", "9600", 15, 30, 9000, 4000, "32", "127", "0");
        QTest::newRow("CR-only line ends") << QByteArray("\"2\"\r\"9600\"\r15\r30\r9000\r4000\r\"32\"\r\"127\"\r\"0\"\r") << 0 << good;
        QTest::newRow("LF-only line ends") << QByteArray("\"2\"\n\"9600\"\n15\n30\n9000\n4000\n\"32\"\n\"127\"\n\"0\"\n") << 0 << good;
        QTest::newRow("CR LF between fields") << QByteArray("\"2\",\"9600\"\r\n15,30\r\n9000,4000,\"32\",\"127\",\"0\"") << 0 << good;
        QTest::newRow("quoted comma comes back whole") << QByteArray("\"1,5\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"")
                                                       << 0 << makeRecord("1,5", "9600", 15, 30, 9000, 4000, "32", "127", "0");
        QTest::newRow("inner quote cuts the text, rest of field dropped")
            << QByteArray("\"1\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"") << 0
            << makeRecord("1", "9600", 15, 30, 9000, 4000, "32", "127", "0");
        QTest::newRow("40000 in field 3 is read") << QByteArray("\"1\",\"4800\",40000,-40000,2147483647,-2147483648,\"31\",\"128\",\"150\"")
                                                  << 0 << makeRecord("1", "4800", 40000, -40000, 2147483647, -2147483648.0, "31", "128", "150");
        QTest::newRow("3000000000 in field 3 fails there") << QByteArray("\"1\",\"4800\",3000000000,0,11000,4500,\"31\",\"128\",\"150\"")
                                                           << 6 << makeRecord("1", "4800", 0, 0, 0, 0, "", "", "");
        QTest::newRow("half rounds up to even past 32 bits") << QByteArray("\"1\",\"4800\",2147483647.5,0,0,0,\"\",\"\",\"\"")
                                                             << 6 << makeRecord("1", "4800", 0, 0, 0, 0, "", "", "");
        QTest::newRow("halves to even, exponent, quoted number")
            << QByteArray("\"1\",\"4800\",1234.5,1235.5,1.1e4,\"-0.5\",\"31\",\"128\",\"150\"") << 0
            << makeRecord("1", "4800", 1234, 1236, 11000, 0, "31", "128", "150");
        QTest::newRow("empty number fields read as 0") << QByteArray("\"1\",\"4800\",,  ,\"\",,\"31\",\"128\",\"150\"")
                                                       << 0 << makeRecord("1", "4800", 0, 0, 0, 0, "31", "128", "150");
        QTest::newRow("non-numeric number field fails") << QByteArray("\"1\",\"4800\",15,abc,9000,4000,\"31\",\"128\",\"150\"")
                                                        << 13 << makeRecord("1", "4800", 15, 0, 0, 0, "", "", "");
        QTest::newRow("number with trailing letters fails") << QByteArray("\"1\",\"4800\",15,30,9000,45e,\"31\",\"128\",\"150\"")
                                                            << 13 << makeRecord("1", "4800", 15, 30, 9000, 0, "", "", "");
        QTest::newRow("unclosed quote runs to the end") << QByteArray("\"1\",\"4800\",0,0,0,0,\"31\",\"128\",\"150\r\n")
                                                        << 0 << makeRecord("1", "4800", 0, 0, 0, 0, "31", "128", "150\r\n");
    }
    void reader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QFETCH(SettingsRecord, expected);
        SettingsRecord record;
        QCOMPARE(readInto(bytes, record), error);
        QCOMPARE(record, expected);
    }

    void roundTrip()
    {
        const auto record = makeRecord("1,5", "", -120, 40000, 16000, 7000, QStringLiteral(u"\u00e8"), "", "0");
        SettingsRecord back;
        QCOMPARE(readInto(formatSettingsRecord(record), back), 0);
        QCOMPARE(back, record);
    }

    // Whatever the bytes, a read ends in a record or one of its own errors.
    void binaryJunk()
    {
        QRandomGenerator rng(20240611);
        static const char letters[] = "\",\r\n \t0123456789.-+eE\x80\xff\0abc";
        const QByteArray alphabet(letters, sizeof letters - 1);
        for (int i = 0; i < 3000; ++i) {
            QByteArray bytes(rng.bounded(80), '\0');
            for (char &c : bytes)
                c = rng.bounded(4) == 0 ? char(rng.bounded(256)) : alphabet[rng.bounded(alphabet.size())];
            SettingsRecord record;
            const int error = readInto(bytes, record);
            QVERIFY2(error == 0 || error == 6 || error == 13 || error == 62, bytes.toHex().constData());
        }
    }

    void fileSteps()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        SettingsFile file(path);
        SettingsRecord record;
        auto failure = [&](auto step) -> int {
            try {
                step();
            } catch (const NumberedError &e) {
                return e.number();
            }
            return 0;
        };
        QCOMPARE(failure([&] { file.read(record); }), 52);
        QCOMPARE(failure([&] { file.openForReading(); }), 53);
        file.close(); // not open: nothing happens

        writeBytes(path, QByteArray(200, 'x'));
        SettingsFile::write(path, SettingsRecord::defaults());
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), DefaultBytes); // the longer old file wholly replaced

        QCOMPARE(failure([&] { file.openForReading(); }), 0);
        QCOMPARE(failure([&] { file.read(record); }), 0);
        QCOMPARE(record, SettingsRecord::defaults());
        file.close();
        QVERIFY(!file.isOpen());

        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
        QCOMPARE(failure([&] { SettingsFile(dir.filePath("folder.ini")).openForReading(); }), 75);
        QCOMPARE(failure([&] { SettingsFile::write(dir.filePath("folder.ini"), {}); }), 75);
        QCOMPARE(failure([&] { SettingsFile::write(dir.filePath("missing/Quillar.ini"), {}); }), 76);
        QCOMPARE(failure([&] { SettingsFile::write(path + QStringLiteral("/Quillar.ini"), {}); }), 76);
    }

    void readOnlyFolder()
    {
        if (geteuid() == 0)
            QSKIP("folder permissions do not bind the superuser");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        writeBytes(path, "old");
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        SettingsFile::write(path, SettingsRecord::defaults()); // the file itself may be written
        int error = 0;
        try {
            SettingsFile::write(dir.filePath(QStringLiteral("new.ini")), {});
        } catch (const NumberedError &e) {
            error = e.number();
        }
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QCOMPARE(error, 70);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), DefaultBytes);
    }

    // A huge file is read only as far as a record can reach.
    void hugeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        SettingsFile::write(path, SettingsRecord::defaults());
        QFile f(path);
        QVERIFY(f.resize(qint64(1) << 31)); // sparse: zeros after the record
        SettingsFile file(path);
        SettingsRecord record;
        file.openForReading();
        file.read(record);
        QCOMPARE(record, SettingsRecord::defaults());
        file.close();

        writeBytes(path, QByteArray());
        QVERIFY(f.resize(qint64(1) << 31)); // one endless field of zeros
        file.openForReading();
        record = SettingsRecord();
        int error = 0;
        try {
            file.read(record);
        } catch (const NumberedError &e) {
            error = e.number();
        }
        QCOMPARE(error, 6);
        QCOMPARE(record, SettingsRecord());
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
