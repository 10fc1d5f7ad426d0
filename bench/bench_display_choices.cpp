// The display choices' cost in the display's model. Feeds a boot log in
// colours and UTF-8 (ESP-IDF-like lines, a degree sign, a CJK word) through
// the receive path into a display of the given scrollback, in reads of 4 KB,
// with every choice off or with colours, UTF-8 and three highlight rules on.
// Prints for the run: intake (received bytes a second), resident memory per
// kept character (the process's start taken off), and the time to work out
// a frame of 60 lines as they are shown.
// Usage: bench_display_choices off|on [characters]
#include "receive/display_buffer.h"
#include "receive/receive_path.h"
#include "receive/shown_offsets.h"
#include "receive/text_finder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <fstream>
#include <string>

using namespace quillar;

namespace {

double residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(line.find(':') + 1)) * 1024;
    }
    return 0;
}

QByteArray bootLog()
{
    QByteArray log;
    for (int i = 0; log.size() < 4096 * 16; ++i) {
        log += "\x1b[0;32mI (" + QByteArray::number(i) + ") boot: ESP-IDF v5.2 2nd stage bootloader\x1b[0m\r\n";
        log += "\x1b[0;33mW (" + QByteArray::number(i)
            + ") sensor: temp 23.5 \xc2\xb0"
              "C \xe4\xb8\xad\xe6\x96\x87\x1b[0m\r\n";
        log += "plain line without colours, number " + QByteArray::number(i) + "\r\n";
    }
    return log;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool on = argc > 1 && QByteArray(argv[1]) == "on";
    const qsizetype characters = argc > 2 ? QByteArray(argv[2]).toLongLong() : 20000000;
    const double start = residentBytes();

    DisplayBuffer display;
    display.setScrollback(characters);
    if (on) {
        display.setShowChoices({.colours = true, .utf8 = true});
        display.setHighlightRules({{.pattern = QStringLiteral("error"), .wholeLine = true},
                                   {.pattern = QStringLiteral("warn"), .colour = 0xFFE060},
                                   {.pattern = QStringLiteral("temp [0-9.]+"), .regex = true, .colour = 0x80C0FF}});
    }
    ReceivePath path(display, {QStringLiteral("31"), QStringLiteral("128"), QStringLiteral("0")});
    const QByteArray log = bootLog();
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    while (display.length() < characters - characters / 100) {
        for (qsizetype at = 0; at < log.size(); at += 4096) {
            path.receive({log.mid(at, 4096), {}});
            bytes += std::min<qsizetype>(4096, log.size() - at);
        }
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double perCharacter = (residentBytes() - start) / double(display.length());

    timer.restart();
    constexpr int Frames = 200;
    qsizetype cells = 0;
    for (int frame = 0; frame < Frames; ++frame) {
        for (qsizetype line = display.lineCount() - 61; line < display.lineCount() - 1; ++line)
            cells += qsizetype(display.shownLine(line - frame % 2).cells.size());
    }
    const double frameUs = double(timer.nsecsElapsed()) / 1e3 / Frames;

    std::printf("choices %s: %lld characters kept; intake %.1f MB/s; %.2f bytes a kept character; "
                "a frame of 60 lines as shown %.1f us (%lld cells)\n",
                on ? "on" : "off", static_cast<long long>(display.length()), double(bytes) / seconds / 1e6,
                perCharacter, frameUs, static_cast<long long>(cells / Frames));

    // A find from the second line for what only the first holds goes round
    // everything; then the count.
    display.append(QStringLiteral("\r\nneedle-at-the-end"));
    TextFinder finder(display);
    timer.restart();
    finder.find(QStringLiteral("needle-at-the-end"), false, display.lineStart(1));
    qint64 longestSliceNs = 0;
    QElapsedTimer slice;
    while (finder.searching()) {
        slice.start();
        finder.work();
        longestSliceNs = std::max(longestSliceNs, slice.nsecsElapsed());
    }
    const double foundMs = double(timer.nsecsElapsed()) / 1e6;
    while (finder.work()) { }
    const double countedMs = double(timer.nsecsElapsed()) / 1e6;
    // A screen reader's first question, then one about the caret's line.
    ShownOffsets offsets(display);
    timer.restart();
    const qsizetype readLength = offsets.length();
    const double firstReadMs = double(timer.nsecsElapsed()) / 1e6;
    display.append(QStringLiteral("\r\nmore"));
    timer.restart();
    const QString lastLine = offsets.text(offsets.lineStart(display.lineCount() - 1), offsets.length());
    const double laterReadUs = double(timer.nsecsElapsed()) / 1e3;
    std::printf("find round everything %.0f ms (longest slice %.1f ms), counted %.0f ms (%lld); "
                "read text %lld characters, first length %.0f ms, the last line after more text %.0f us (%lld)\n",
                foundMs, double(longestSliceNs) / 1e6, countedMs, static_cast<long long>(finder.count()),
                static_cast<long long>(readLength), firstReadMs, laterReadUs, static_cast<long long>(lastLine.size()));
    return 0;
}
