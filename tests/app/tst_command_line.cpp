// The program's command line, through the real program in a process of its
// own with no display: what it prints, how it ends and which files it leaves.
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every file under root, as paths relative to it, sorted.
QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void run_data()
    {
        // %START% is the directory the program starts in, %HOME% its home and
        // %CONFIG% its XDG_CONFIG_HOME when that column says so.
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("xdgConfigHome");
        QTest::addColumn<int>("exitCode"); // -1: the window opens; the row ends it
        QTest::addColumn<QString>("output"); // a pattern; empty: prints nothing
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("written"); // files left under %START%

        const QString usage = QStringLiteral("^Usage: quillar \\[options\\]\n");
        const QString none;
        QTest::newRow("help") << QStringList{"--help"} << none << 0
                              << usage + ".*--dir <folder>.*--user-dir.*--list-ports.*-platform" << none
                              << QStringList{};
        QTest::newRow("-h") << QStringList{"-h"} << none << 0 << usage << none << QStringList{};
        QTest::newRow("version") << QStringList{"--version"} << none << 0 << "^quillar \\d+\\.\\d+\n$" << none
                                 << QStringList{};
        QTest::newRow("Qt options, one dash and two") << QStringList{"-platform", "xcb", "--style=fusion", "-reverse", "-v"}
                                                      << none << 0 << "^quillar " << none << QStringList{};
        QTest::newRow("unknown option") << QStringList{"--bogus"} << none << 2 << none
                                        << "^quillar: Unknown option 'bogus'\\.\n\nUsage: quillar" << QStringList{};
        QTest::newRow("missing value") << QStringList{"--dir"} << none << 2 << none
                                       << "^quillar: Missing value after '--dir'\\.\n" << QStringList{};
        QTest::newRow("Qt option missing its value") << QStringList{"-display"} << none << 2 << none
                                                     << "^quillar: Missing value after '-display'" << QStringList{};
        QTest::newRow("empty folder") << QStringList{"--dir", ""} << none << 2 << none
                                      << "^quillar: --dir needs a folder\\.\n" << QStringList{};
        QTest::newRow("log without a file") << QStringList{"--log-text", ""} << none << 2 << none
                                            << "^quillar: --log-text needs a file\\.\n" << QStringList{};
        QTest::newRow("both logs in one file") << QStringList{"--log", "x", "--log-text", "./x"} << none << 2 << none
                                               << "^quillar: --log and --log-text name the same file" << QStringList{};
        QTest::newRow("argument") << QStringList{"COM3"} << none << 2 << none
                                  << "^quillar: unexpected argument 'COM3'\\.\n" << QStringList{};
        QTest::newRow("two folders") << QStringList{"--dir", "a", "--user-dir"} << none << 2 << none
                                     << "^quillar: --dir and --user-dir" << QStringList{};
        QTest::newRow("folder that cannot be made") << QStringList{"--dir", "/dev/null/quillar"} << none << 1
                                                    << none << "^quillar: cannot create the folder /dev/null/quillar: "
                                                    << QStringList{};
        QTest::newRow("ports here") << QStringList{"--list-ports"} << none << 0
                                    << "^COM<N> links in %START%: none\nSystem serial ports" << none << QStringList{};
        // Listing reads the folder and creates nothing; a relative name means
        // a place under the start directory.
        QTest::newRow("ports of a relative folder")
            << QStringList{"--dir", "x/../boards", "--list-ports"} << none << 0
            << "^COM<N> links in %START%/boards: none\n" << none << QStringList{};
        QTest::newRow("ports of the user folder") << QStringList{"--user-dir", "--list-ports"} << "%CONFIG%" << 0
                                                  << "^COM<N> links in %CONFIG%/quillar: none\n" << none
                                                  << QStringList{};
        QTest::newRow("relative XDG_CONFIG_HOME is ignored")
            << QStringList{"--list-ports", "--user-dir"} << "relative" << 0
            << "^COM<N> links in %HOME%/.config/quillar: none\n" << none << QStringList{};
        // The window starts in the folder, made for it; -platform reaches Qt,
        // as nothing else names a display.
        QTest::newRow("window in its folder")
            << QStringList{"--dir", "boards/uno", "-platform", "offscreen"} << none << -1 << none << none
            << QStringList{"boards/uno/Quillar.ini"};
    }

    void run()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, xdgConfigHome);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QFETCH(QStringList, written);

        QTemporaryDir start;
        QTemporaryDir home;
        QTemporaryDir config;
        const auto expand = [&](QString s) {
            return s.replace(QStringLiteral("%START%"), start.path())
                .replace(QStringLiteral("%HOME%"), home.path())
                .replace(QStringLiteral("%CONFIG%"), config.path());
        };

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home.path());
        if (!xdgConfigHome.isEmpty())
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), expand(xdgConfigHome));

        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(start.path());
        program.start(QStringLiteral(QUILLAR_PROGRAM), arguments);
        QVERIFY(program.waitForStarted());
        if (exitCode < 0) {
            QTRY_COMPARE_WITH_TIMEOUT(filesUnder(start.path()), written, 20000);
            QCOMPARE(program.state(), QProcess::Running);
            program.kill();
            QVERIFY(program.waitForFinished());
        } else {
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        }
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        const auto matches = [&](const QString &text, const QString &pattern) {
            if (pattern.isEmpty())
                return text.isEmpty();
            const QRegularExpression re(expand(pattern), QRegularExpression::DotMatchesEverythingOption);
            return re.match(text).hasMatch();
        };
        if (exitCode >= 0) {
            QCOMPARE(program.exitCode(), exitCode);
            QVERIFY2(matches(out, output), qPrintable(out));
            QVERIFY2(matches(err, error), qPrintable(err));
        }
        QCOMPARE(filesUnder(start.path()), written);
        QCOMPARE(filesUnder(home.path()), QStringList{});
        QCOMPARE(filesUnder(config.path()), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
