#include "settings_test_support.h"

#include "platform/numbered_error.h"
#include "settings/settings_file.h"
#include "settings/settings_format.h"
#include "settings/settings_parser.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quillar;

namespace {
const QByteArray DefaultBytes = QByteArray::fromHex(
    "2231222C2234383030222C302C302C31313030302C343530302C223331222C22313238222C22313530220D0A");

// The number of the error a step ends with, 0 for none.
template <typename F>
int failure(F &&step)
{
    try {
        step();
    } catch (const NumberedError &e) {
        return e.number();
    }
    return 0;
}

void put(const QString &path, const QByteArray &bytes, qint64 size = -1)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    if (size >= 0)
        QVERIFY(f.resize(size)); // sparse: zeros after bytes
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
        QTest::newRow("negative position") << makeRecord("3", "9600", -120, -45, 11000, 4500, "31", "128", "0")
                                           << QByteArray("\"3\",\"9600\",-120,-45,11000,4500,\"31\",\"128\",\"0\"\r\n");
        QTest::newRow("empty boxes") << SettingsRecord() << QByteArray("\"\",\"\",0,0,0,0,\"\",\"\",\"\"\r\n");
        QTest::newRow("texts unchanged: comma, inner quote, byte 128")
            << makeRecord("1,5", "a\"b", 0, 0, 0, 0, QStringLiteral(u"\u20ac"), "", "")
            << QByteArray("\"1,5\",\"a\"b\",0,0,0,0,\"\x80\",\"\",\"\"\r\n");
        QTest::newRow("floats in plain decimal, whole numbers exact")
            << makeRecord("", "", 1234.5, double(0.1f), 3e9, 2147483647, "", "", "")
            << QByteArray("\"\",\"\",1234.5,0.1,3000000000,2147483647,\"\",\"\",\"\"\r\n");
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
        const auto first2 = makeRecord("1", "4800", 0, 0, 0, 0, "", "", "");
        QTest::newRow("default record") << DefaultBytes << 0 << SettingsRecord::defaults();
        QTest::newRow("empty file fails at field 1") << QByteArray() << 62 << SettingsRecord();
        QTest::newRow("three fields") << QByteArray("\"1\",\"4800\",100\r\n") << 62
                                      << makeRecord("1", "4800", 100, 0, 0, 0, "", "", "");
        QTest::newRow("trailing garbage ignored")
            << QByteArray("\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"\r\njunk,\"x\r\n\xff") << 0 << good;
        QTest::newRow("blanks before fields") << QByteArray("  \"2\", \t\"9600\" ,  15 ,\t30,9000,4000 , \"32\",\"127\",\t\"0\"")
                                              << 0 << good;
        QTest::newRow("unquoted texts") << QByteArray("2,9600,15,30,9000,4000,32,127,0\r\n") << 0 << good;
        QTest::newRow("CR-only line ends") << QByteArray("\"2\"\r\"9600\"\r15\r30\r9000\r4000\r\"32\"\r\"127\"\r\"0\"\r") << 0 << good;
        QTest::newRow("LF-only line ends") << QByteArray("\"2\"\n\"9600\"\n15\n30\n9000\n4000\n\"32\"\n\"127\"\n\"0\"\n") << 0 << good;
        QTest::newRow("quoted comma comes back whole") << QByteArray("\"1,5\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"")
                                                       << 0 << makeRecord("1,5", "9600", 15, 30, 9000, 4000, "32", "127", "0");
        QTest::newRow("inner quote cuts the text, rest of field dropped")
            << QByteArray("\"1\"2\",\"9600\",15,30,9000,4000,\"32\",\"127\",\"0\"") << 0
            << makeRecord("1", "9600", 15, 30, 9000, 4000, "32", "127", "0");
        QTest::newRow("beyond 16 bits is read") << QByteArray("\"1\",\"4800\",40000,-40000,2147483647,-2147483648,\"\",\"\",\"\"")
                                                << 0 << makeRecord("1", "4800", 40000, -40000, 2147483647, -2147483648.0, "", "", "");
        QTest::newRow("3000000000 fails at field 3") << QByteArray("\"1\",\"4800\",3000000000,0,11000,4500,\"31\",\"128\",\"150\"")
                                                     << 6 << first2;
        QTest::newRow("a half rounds to even, out of range") << QByteArray("\"1\",\"4800\",2147483647.5,0,0,0,\"\",\"\",\"\"")
                                                             << 6 << first2;
        QTest::newRow("halves to even, exponent, quoted, empty")
            << QByteArray("\"1\",\"4800\",1234.5,1235.5,1.1e4,\"-0.5\",\"31\",\"128\",\"150\"") << 0
            << makeRecord("1", "4800", 1234, 1236, 11000, 0, "31", "128", "150");
        QTest::newRow("too small for a double reads as 0") << QByteArray("\"1\",\"4800\",1e-400,-120E-01200,0.0001e-9999,5,\"\",\"\",\"\"")
                                                            << 0 << makeRecord("1", "4800", 0, 0, 0, 5, "", "", "");
        QTest::newRow("empty number fields read as 0") << QByteArray("\"1\",\"4800\",,  ,\"\",,\"31\",\"128\",\"150\"")
                                                       << 0 << makeRecord("1", "4800", 0, 0, 0, 0, "31", "128", "150");
        QTest::newRow("non-numeric number field fails") << QByteArray("\"1\",\"4800\",15,45e,9000,4000,\"31\",\"128\",\"150\"")
                                                        << 13 << makeRecord("1", "4800", 15, 0, 0, 0, "", "", "");
    }
    void reader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, error);
        QFETCH(SettingsRecord, expected);
        SettingsRecord record;
        QCOMPARE(failure([&] { readSettingsRecord(bytes, true, record); }), error);
        QCOMPARE(record, expected);
    }

    void fileSteps()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        SettingsFile file(path);
        SettingsRecord record;
        QCOMPARE(failure([&] { file.read(record); }), 52);
        QCOMPARE(failure([&] { file.openForReading(); }), 53);
        file.close(); // not open: nothing happens

        put(path, QByteArray(200, 'x'));
        SettingsFile::write(path, SettingsRecord::defaults());
        file.openForReading();
        file.read(record);
        file.close();
        QCOMPARE(record, SettingsRecord::defaults()); // the longer old file wholly replaced

        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
        QCOMPARE(failure([&] { SettingsFile(dir.filePath("folder.ini")).openForReading(); }), 75);
        QCOMPARE(failure([&] { SettingsFile::write(dir.filePath("folder.ini"), {}); }), 75);
        QCOMPARE(failure([&] { SettingsFile::write(dir.filePath("missing/Quillar.ini"), {}); }), 76);
        QCOMPARE(failure([&] { SettingsFile::write(path + QStringLiteral("/Quillar.ini"), {}); }), 76);
    }

    // A huge file is read only as far as a record can reach.
    void hugeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Quillar.ini"));
        const qint64 huge = qint64(1) << 31;
        SettingsFile file(path);
        SettingsRecord record;
        put(path, DefaultBytes, huge);
        file.openForReading();
        QCOMPARE(failure([&] { file.read(record); }), 0);
        QCOMPARE(record, SettingsRecord::defaults());

        put(path, {}, huge); // one endless field
        file.openForReading();
        record = SettingsRecord();
        QCOMPARE(failure([&] { file.read(record); }), 6);
        QCOMPARE(record, SettingsRecord());
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
