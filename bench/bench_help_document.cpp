// Opening hostile and very large help documents in the real help window: the
// time from Apri until the first page is painted, the time until the whole
// document is laid out, and the process's peak resident memory. Each document
// is opened by a child process of its own, so that the peaks do not mix.
//
//   bench_help_document    every document, each in a child process

#include "help/frm_istruzioni.h"
#include "help/help_window.h"
#include "own_cpu.h"
#include "support/hostile_rtf.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QAbstractTextDocumentLayout>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillar;

namespace {

constexpr qsizetype FileLimit = 64 * 1024 * 1024; // the help window's own limit

QByteArray repeatedUpTo(const QByteArray &head, const QByteArray &unit, qsizetype total)
{
    QByteArray rtf = head;
    rtf.reserve(total);
    while (rtf.size() + unit.size() + 1 < total)
        rtf += unit;
    return rtf + "}";
}

struct Document
{
    const char *name;
    std::function<QByteArray()> make;
};

const Document Documents[] = {
    {"20 JPEGs claiming 5600x5600", [] { return test::rtfPictures(test::jpegClaiming(5600, 5600), 20); }},
    {"64 cells, then 1,000 rows of \\cell\\row", [] { return test::rtfWideRowThenRows(1000, false); }},
    {"64 cells, then rows of \\cell\\row", [] { return test::rtfWideRowThenRows(FileLimit / 9 - 200, false); }},
    {"a 4096x4096 PNG, 40 times",
     [] {
         QImage big(4096, 4096, QImage::Format_RGB32);
         QPainter(&big).fillRect(big.rect(), QColor(40, 90, 160));
         const QByteArray picture = "{\\pict\\pngblip " + test::imageBytes(big, "PNG").toHex() + "}";
         QByteArray rtf = "{\\rtf1 ";
         for (int i = 0; i < 40 && rtf.size() + picture.size() < FileLimit; ++i)
             rtf += picture + "\\par ";
         return rtf + "}";
     }},
    {"text paragraphs (64 MB)",
     [] {
         return repeatedUpTo("{\\rtf1 ", "Quillar shows what the device sends, {\\b byte} by byte.\\par\n", FileLimit);
     }},
    {"empty paragraphs (64 MB)", [] { return repeatedUpTo("{\\rtf1 ", "\\par", FileLimit); }},
};

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The child: opens the document in the current directory with F1's call and reports.
int openOne(int index)
{
    const Document &document = Documents[index];
    const long before = peakKilobytes();
    const double size = double(QFileInfo(QStringLiteral("Term_Istr.rtf")).size());

    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = ownCpuMilliseconds();
    frmIstruzioni::instance().Apri(QStringLiteral("Term_Istr.rtf"), QStringLiteral("Quillar - Istruzioni"));
    HelpWindow *help = frmIstruzioni::instance().helpWindow();
    if (!help || !QTest::qWaitForWindowExposed(help, 120000))
        return 3;
    const QTextDocument *shown = nullptr;
    while (!(shown = help->view()->document()) || shown->isEmpty()) {
        if (clock.elapsed() > 300000)
            return 4;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    help->view()->viewport()->repaint();
    const qint64 firstPage = clock.elapsed();
    (void)shown->documentLayout()->documentSize();
    const qint64 laidOut = clock.elapsed();

    std::printf("%-48s %8.2f MB  first page %6lld ms  laid out %6lld ms (%6.0f ms CPU)  peak %5ld MB (%ld before)\n",
                document.name, size / 1e6, static_cast<long long>(firstPage), static_cast<long long>(laidOut),
                ownCpuMilliseconds() - cpuBefore, peakKilobytes() / 1024, before / 1024);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return openOne(std::atoi(argv[1]));
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    int failures = 0;
    for (int i = 0; i < int(std::size(Documents)); ++i) {
        {
            QFile file(QStringLiteral("Term_Istr.rtf"));
            if (!file.open(QIODevice::WriteOnly) || file.write(Documents[i].make()) < 0)
                return 2;
        }
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const std::string index = std::to_string(i);
            execl("/proc/self/exe", argv[0], index.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("%-50s failed (status %d)\n", Documents[i].name, status);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
