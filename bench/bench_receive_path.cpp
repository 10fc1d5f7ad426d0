// The whole receive path under load: a writer thread pours bytes into a
// pseudo-terminal as fast as it takes them; the serial control, the receive
// path, the display model and the real display widget (offscreen) consume
// them on the GUI thread. Prints the sustained rate and the longest time the
// event loop was blocked, for line-feed mode and timer mode.
//
//   bench_receive_path [seconds per mode, default 5]

#include "port/mscomm.h"
#include "receive/display_buffer.h"
#include "receive/display_view.h"
#include "receive/receive_path.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace quillar;

namespace {

struct Result
{
    double megabytesPerSecond = 0;
    qint64 longestBlockMs = 0;
    qint64 bytes = 0;
    qsizetype displayLength = 0;
};

QByteArray patternFor(bool lineFeeds)
{
    QByteArray line;
    for (int i = 0; i < 4096; ++i) {
        if (lineFeeds && i % 64 == 63)
            line.append('\n');
        else
            line.append(static_cast<char>(lineFeeds ? 32 + i % 95 : i % 256));
    }
    return line;
}

Result runMode(const QString &lineFeedTime, bool lineFeeds, int seconds)
{
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        std::exit(1);
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    QFile::remove(QStringLiteral("COM7"));
    QFile::link(QString::fromLocal8Bit(name), QStringLiteral("COM7"));

    DisplayBuffer buffer;
    DisplayView view(buffer);
    view.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view.resize(980, 500);
    view.show();

    ReceivePath path(buffer, {[] { return QStringLiteral("31"); }, [] { return QStringLiteral("128"); },
                              [lineFeedTime] { return lineFeedTime; }});
    MSComm comm;
    qint64 received = 0;
    QObject::connect(&comm, &MSComm::OnComm, [&] {
        if (comm.commEvent() == 2) {
            const QByteArray in = comm.input();
            received += in.size();
            path.ReceiveInput(in);
        }
    });
    comm.setCommPort(7);
    comm.setSettings(QStringLiteral("115200,n,8,1"));
    comm.setPortOpen(true);

    std::atomic<bool> stop{false};
    const QByteArray pattern = patternFor(lineFeeds);
    // Non-blocking, so the writer notices the end of the run even while the
    // terminal is full.
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    std::thread writer([&] {
        while (!stop.load()) {
            const ssize_t n = ::write(master, pattern.constData(), static_cast<size_t>(pattern.size()));
            if (n < 0 && errno == EAGAIN) {
                pollfd p{master, POLLOUT, 0};
                ::poll(&p, 1, 10);
            } else if (n < 0 && errno != EINTR) {
                break;
            }
        }
    });

    // A 1 ms heartbeat: the longest gap between its ticks is the longest time
    // the event loop was kept from running.
    qint64 longest = 0;
    QElapsedTimer sinceTick;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.restart());
    });

    QElapsedTimer clock;
    // Warm up for half a second, then measure.
    QTimer::singleShot(500, [&] {
        received = 0;
        longest = 0;
        clock.start();
        sinceTick.start();
        heartbeat.start(1);
    });
    QTimer::singleShot(500 + seconds * 1000, qApp, &QCoreApplication::quit);
    qApp->exec();

    Result r;
    const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
    r.bytes = received;
    r.megabytesPerSecond = static_cast<double>(received) / elapsed / 1e6;
    r.longestBlockMs = longest;
    r.displayLength = buffer.length();

    stop = true;
    writer.join();
    comm.setPortOpen(false);
    ::close(slave);
    ::close(master);
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    const struct
    {
        const char *name;
        const char *lineFeedTime;
        bool lineFeeds;
    } modes[] = {
        {"line-feed mode (Text1 = 0, text lines)", "0", true},
        {"timer mode (Text1 = 150, binary, no quiet gap)", "150", false},
    };
    for (const auto &mode : modes) {
        const Result r = runMode(QString::fromLatin1(mode.lineFeedTime), mode.lineFeeds, seconds);
        std::printf("%-48s %8.2f MB/s  longest event-loop block %4lld ms  (%lld bytes, display %lld chars)\n",
                    mode.name, r.megabytesPerSecond, static_cast<long long>(r.longestBlockMs),
                    static_cast<long long>(r.bytes), static_cast<long long>(r.displayLength));
    }
    return 0;
}
