// A full scrollback of 100,000,000 characters (or as many as asked) in the
// worst case for its memory: a stream of line feeds in line-feed mode, a
// line every six characters ("[LF]" CR LF), each with its time. Prints:
// - intake: received bytes a second through the renderer into the display;
// - resident memory per kept character, with the process's own start taken off;
// - find over the full text: the first match (the only one, just before
//   where the search starts, so that it wraps round everything) and the
//   whole count, in the window's event loop, with the longest time the
//   loop was held (what a window manager's ping would wait);
// - Copy all: the time to put it on the clipboard and to read it back, and
//   the peak memory after;
// - intake of text lines and of random bytes into the full display.
// Usage: bench_scrollback [characters]
#include "receive/byte_renderer.h"
#include "receive/display_buffer.h"
#include "receive/text_finder.h"
#include "receive/clipboard_text.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <string>

using namespace quillar;

namespace {

// VmRSS or VmHWM of this process, in bytes.
double memory(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::stod(line.substr(line.find(':') + 1)) * 1024;
    }
    return 0;
}

// Runs the event loop until done() holds, and returns the longest gap
// between ticks of a 1 ms timer meanwhile, in ms.
template <typename Done>
double longestStall(Done &&done)
{
    QElapsedTimer sinceTick;
    double longest = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    sinceTick.start();
    tick.start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return std::max(longest, double(sinceTick.nsecsElapsed()) / 1e6);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype characters = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100000000;

    const double rssStart = memory("VmRSS:");
    DisplayBuffer display;
    display.setScrollback(characters);
    const ByteRenderer lineFeeds(31, 128, true);
    const QByteArray read(32767, '\n'); // one full read of Input

    // Filled to the brim: past the threshold, so that it has been cut at least once.
    QElapsedTimer timer;
    timer.start();
    qint64 received = 0;
    while (display.removedCount() == 0) {
        display.append(lineFeeds.render(read));
        received += read.size();
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double kept = double(display.length());
    const double rss = memory("VmRSS:") - rssStart;
    std::printf("scrollback %lld, kept %.0f characters in %lld lines\n", static_cast<long long>(characters), kept,
                static_cast<long long>(display.lineCount()));
    std::printf("intake: %.1f MB/s received (%.1f M characters/s shown), line feeds in line-feed mode\n",
                double(received) / seconds / 1e6, double(received) * 6 / seconds / 1e6);
    std::printf("resident: %.1f MB for the display, %.2f bytes a kept character (process total %.1f MB)\n", rss / 1e6,
                rss / kept, memory("VmRSS:") / 1e6);

    // The only match, where the search must go round the whole text to find it.
    display.append(QStringLiteral("[1B]\r\n"));
    TextFinder finder(display);
    bool found = false;
    QObject::connect(&finder, &TextFinder::currentChanged, [&] { found = true; });
    timer.restart();
    finder.find(QStringLiteral("[1b]"), false, display.length() - 2);
    const double firstStall = longestStall([&] { return found; });
    const double firstMs = double(timer.nsecsElapsed()) / 1e6;
    const double countStall = longestStall([&] { return finder.counted(); });
    const double countMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("find, case-insensitive: first match %.0f ms, count %.0f ms (%lld), longest hold of the event loop "
                "%.1f ms\n",
                firstMs, countMs, static_cast<long long>(finder.count()), std::max(firstStall, countStall));
    timer.restart();
    found = false;
    finder.find(QStringLiteral("[1B]"), true, display.length() - 2);
    const double caseStall =
        std::max(longestStall([&] { return found; }), longestStall([&] { return finder.counted(); }));
    std::printf("find, matching case: first match and count %.0f ms, longest hold %.1f ms\n",
                double(timer.nsecsElapsed()) / 1e6, caseStall);

    timer.restart();
    QGuiApplication::clipboard()->setMimeData(new ClipboardText(display.slice(0, display.length())));
    const double copyMs = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const QByteArray pasted = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/plain"));
    std::printf("Copy all: %.1f ms to copy, %.0f ms for a paste of %.0f MB; peak resident %.1f MB, %.2f bytes a kept "
                "character over the start\n",
                copyMs, double(timer.nsecsElapsed()) / 1e6, double(pasted.size()) / 1e6, memory("VmHWM:") / 1e6,
                (memory("VmHWM:") - rssStart) / kept);
    // The same display taking text lines and random bytes, as fast as it can.
    const auto intake = [&](const char *what, const ByteRenderer &renderer, const QByteArray &bytes) {
        QElapsedTimer clock;
        clock.start();
        qint64 taken = 0;
        while (clock.elapsed() < 2000) {
            display.append(renderer.render(bytes));
            taken += bytes.size();
        }
        std::printf("intake: %.1f MB/s received, %s\n", double(taken) / (double(clock.nsecsElapsed()) / 1e9) / 1e6,
                    what);
    };
    QByteArray text;
    while (text.size() < 32767)
        text += "Temp=21.5 ADC:0x3F status OK, the device's own line of text, 0123456789\r\n";
    intake("80-character text lines, line-feed mode", lineFeeds, text.left(32767));
    QByteArray noise(32767, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 24);
    intake("random bytes, timer mode", ByteRenderer(31, 128, false), noise);

    return 0;
}
