// The real program's command line, run with no display: what it prints, how it ends, what it leaves.
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Every file under root, as paths relative to it, sorted.
static QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    // Leading NAME=value arguments go to the environment, and LINK->TARGET ones
    // make links in %START%, where it starts; home is %HOME%. Exit 0 prints
    // on standard output only, others on standard error only; -1: the window
    // opens, and is ended once it wrote `printed`. A window's folder links its
    // port to nothing: no test opens the machine's own.
    void run_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // a pattern
        QTest::newRow("help") << QStringList{"--help"} << 0
                              << "^Usage: quillar \\[options\\]\n.*--dir "
                                 "<folder>.*--user-dir.*--list-ports.*--scrollback <characters>.*-platform";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "^quillar \\d+\\.\\d+\n$";
        QTest::newRow("Qt options, one dash and two")
            << QStringList{"-platform", "xcb", "-display", ":1", "--style=fusion", "-reverse", "-v"} << 0
            << "^quillar ";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2
                                        << "^quillar: Unknown option 'bogus'\\.\n\nUsage: quillar";
        QTest::newRow("empty folder") << QStringList{"--dir", ""} << 2 << "^quillar: --dir needs a folder\\.\n";
        QTest::newRow("both logs in one file") << QStringList{"--log", "x", "--log-text", "./x"} << 2
                                               << "^quillar: --log and --log-text name the same file";
        QTest::newRow("scrollback too short")
            << QStringList{"--scrollback", "999"} << 2
            << "^quillar: --scrollback takes a whole number of characters from 1000 to 1000000000\\.\n";
        QTest::newRow("scrollback at its least")
            << QStringList{"--scrollback", "1000", "--list-ports"} << 0 << "^COM<N> links in ";
        QTest::newRow("scrollback empty")
            << QStringList{"--scrollback", ""} << 2
            << "^quillar: --scrollback takes a whole number of characters from 1000 to 1000000000\\.\n";
        QTest::newRow("scrollback not a whole number")
            << QStringList{"--scrollback", "1e8"} << 2 << "^quillar: --scrollback takes a whole";
        QTest::newRow("argument") << QStringList{"COM3"} << 2 << "^quillar: unexpected argument 'COM3'\\.\n";
        QTest::newRow("two folders") << QStringList{"--dir", "a", "--user-dir"} << 2
                                     << "^quillar: --dir and --user-dir";
        QTest::newRow("folder that cannot be made")
            << QStringList{"--dir", "/dev/null/q"} << 1 << "^quillar: cannot create the folder /dev/null/q: ";
        // Listing creates nothing; a relative name is under the start directory.
        QTest::newRow("ports of a relative folder") << QStringList{"--dir", "x/../boards", "--list-ports"} << 0
                                                    << "^COM<N> links in %START%/boards: none\nSystem serial ports";
        QTest::newRow("ports of the user folder")
            << QStringList{"XDG_CONFIG_HOME=%CONFIG%", "--user-dir", "--list-ports"} << 0
            << "^COM<N> links in %CONFIG%/quillar: none\n";
        QTest::newRow("relative XDG_CONFIG_HOME is ignored")
            << QStringList{"XDG_CONFIG_HOME=rel", "--list-ports", "--user-dir"} << 0
            << "^COM<N> links in %HOME%/.config/quillar: none\n";
        QTest::newRow("window in its folder; -platform reaches Qt")
            << QStringList{"boards/uno/COM1->no-device", "--dir", "boards/uno", "-platform", "offscreen"} << -1
            << "boards/uno/Quillar.ini";
    }
    void run()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QTemporaryDir start, home, config;
        const auto expand = [&](QString s) {
            return s.replace(QLatin1String("%START%"), start.path())
                .replace(QLatin1String("%HOME%"), home.path())
                .replace(QLatin1String("%CONFIG%"), config.path());
        };
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home.path());
        for (; arguments.value(0).contains(QLatin1Char('=')); arguments.removeFirst())
            environment.insert(arguments[0].section(QLatin1Char('='), 0, 0),
                               expand(arguments[0].section(QLatin1Char('='), 1)));
        for (; arguments.value(0).contains(QLatin1String("->")); arguments.removeFirst()) {
            const QString link = start.filePath(arguments[0].section(QLatin1String("->"), 0, 0));
            QVERIFY(QDir().mkpath(QFileInfo(link).path()));
            QVERIFY(QFile::link(arguments[0].section(QLatin1String("->"), 1), link));
        }
        QStringList written = filesUnder(start.path());

        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(start.path());
        program.start(QStringLiteral(QUILLAR_PROGRAM), arguments);
        if (exitCode < 0) {
            written << printed;
            written.sort();
            QTRY_COMPARE_WITH_TIMEOUT(filesUnder(start.path()), written, 20000);
            QCOMPARE(program.state(), QProcess::Running);
            program.kill();
        }
        QVERIFY(program.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        if (exitCode >= 0) {
            const QRegularExpression pattern(expand(printed), QRegularExpression::DotMatchesEverythingOption);
            QVERIFY2(pattern.match(exitCode == 0 ? out : err).hasMatch(), qPrintable(out + err));
            QCOMPARE(exitCode == 0 ? err : out, QString());
            QCOMPARE(std::pair(program.exitStatus(), program.exitCode()), std::pair(QProcess::NormalExit, exitCode));
        }
        QCOMPARE(filesUnder(start.path()), written);
        QCOMPARE(filesUnder(home.path()) + filesUnder(config.path()), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
