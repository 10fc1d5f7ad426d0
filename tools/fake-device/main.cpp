// fake-device: a pseudo-terminal that plays a serial device, so that the
// program can be tried and tested without hardware. It links COM<N> in the
// current directory to the terminal's slave end and writes the device's bytes
// into the master end at a chosen byte rate.

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

// No SA_RESTART: a signal ends a blocking write or read at once.
void installSignalHandlers()
{
    struct sigaction sa
    { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

enum class Mode { Text, Binary, Bursts, File, Stdin };

struct Options
{
    int port = 1;
    double rate = 960; // bytes per second; 0: as fast as the reader takes them
    Mode mode = Mode::Text;
    QString file;
    qint64 count = 0; // bytes in all; 0: no limit
    int burst = 64;
    int pauseMs = 500;
    bool loop = false;
    bool exitAtEnd = false;
};

double now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void sleepSeconds(double seconds)
{
    if (seconds <= 0)
        return;
    timespec ts{};
    ts.tv_sec = time_t(seconds);
    ts.tv_nsec = long((seconds - double(ts.tv_sec)) * 1e9);
    nanosleep(&ts, nullptr); // a signal cuts it short, which is what we want
}

// The source of the device's bytes: each call gives the next piece, empty
// when the source has ended.
class Source
{
public:
    explicit Source(const Options &options) : m_options(options)
    {
        if (options.mode == Mode::File) {
            m_file.setFileName(options.file);
            m_fileOk = m_file.open(QIODevice::ReadOnly);
        }
    }

    [[nodiscard]] bool ready() const { return m_options.mode != Mode::File || m_fileOk; }

    QByteArray next(int wanted)
    {
        switch (m_options.mode) {
        case Mode::Text:
            return textLine();
        case Mode::Binary:
            return binary(wanted);
        case Mode::Bursts:
            return frame();
        case Mode::File:
            return fromFile(wanted);
        case Mode::Stdin:
            return fromStdin(wanted);
        }
        return {};
    }

private:
    QByteArray textLine()
    {
        ++m_sequence;
        const double t = 21.0 + 3.0 * std::sin(double(m_sequence) / 20.0);
        // 0xB0 is the degree sign in the program's code page.
        char line[96];
        const int n = std::snprintf(line, sizeof line,
                                    "%06llu T=%+.2f\xB0"
                                    "C\tRH=%d%%\r\n",
                                    static_cast<unsigned long long>(m_sequence), t, 40 + int(m_sequence % 20));
        return QByteArray(line, n);
    }

    QByteArray binary(int wanted)
    {
        QByteArray bytes(wanted, '\0');
        for (char &b : bytes)
            b = char(m_counter++ & 0xFF);
        return bytes;
    }

    // A frame: STX, a text header, binary payload counting through every byte
    // value, ETX. One frame per burst.
    QByteArray frame()
    {
        ++m_sequence;
        QByteArray bytes = "\x02"
                           "FRAME "
            + QByteArray::number(m_sequence) + ' ';
        while (bytes.size() < m_options.burst - 1)
            bytes.append(char(m_counter++ & 0xFF));
        bytes.append('\x03');
        return bytes.left(m_options.burst);
    }

    QByteArray fromFile(int wanted)
    {
        QByteArray bytes = m_file.read(wanted);
        if (bytes.isEmpty() && m_options.loop && m_file.size() > 0) {
            m_file.seek(0);
            bytes = m_file.read(wanted);
        }
        return bytes;
    }

    QByteArray fromStdin(int wanted)
    {
        QByteArray bytes(wanted, '\0');
        ssize_t n = 0;
        do {
            n = ::read(STDIN_FILENO, bytes.data(), size_t(wanted));
        } while (n < 0 && errno == EINTR && !g_stop);
        bytes.resize(n > 0 ? n : 0);
        return bytes;
    }

    const Options &m_options;
    QFile m_file;
    bool m_fileOk = false;
    unsigned long long m_sequence = 0;
    unsigned m_counter = 0;
};

// The pseudo-terminal and its COM<N> link.
class Terminal
{
public:
    ~Terminal()
    {
        removeLink();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }

    bool open()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return false;
        m_slavePath = name;
        // Raw: bytes pass unchanged and nothing echoes back. The slave stays
        // open here, so that writes never fail while no program has the port.
        termios tio{};
        if (::tcgetattr(m_slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
        }
        return true;
    }

    // Links COM<N> to the slave, replacing an old link; never a real file.
    bool link(int port, std::string &error)
    {
        const std::string linkName = "COM" + std::to_string(port);
        struct stat st
        { };
        if (::lstat(linkName.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            error = linkName + " exists and is not a link; not replacing it";
            return false;
        }
        const std::string temporary = linkName + ".fake-device." + std::to_string(::getpid());
        ::unlink(temporary.c_str());
        if (::symlink(m_slavePath.c_str(), temporary.c_str()) != 0
            || ::rename(temporary.c_str(), linkName.c_str()) != 0) {
            error = linkName + ": " + std::strerror(errno);
            ::unlink(temporary.c_str());
            return false;
        }
        m_linkName = linkName;
        return true;
    }

    // Removes the link only while it still leads here: another device may
    // have taken the name since.
    void removeLink()
    {
        if (m_linkName.empty())
            return;
        char target[256] = {};
        const ssize_t n = ::readlink(m_linkName.c_str(), target, sizeof target - 1);
        if (n > 0 && m_slavePath == std::string(target, size_t(n)))
            ::unlink(m_linkName.c_str());
        m_linkName.clear();
    }

    // Writes everything, waiting while the reader is behind. Less than all
    // when stopped by a signal or on failure.
    qsizetype write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            if (g_stop)
                return done;
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                std::fprintf(stderr, "fake-device: write: %s\n", std::strerror(errno));
                return done;
            }
            done += n;
        }
        return done;
    }

    [[nodiscard]] const std::string &slavePath() const { return m_slavePath; }
    [[nodiscard]] const std::string &linkName() const { return m_linkName; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_linkName;
};

bool parseOptions(const QCoreApplication &app, Options &options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Plays a serial device on a pseudo-terminal linked as COM<N> in the current\n"
                                     "directory, so that the program can open port N without hardware.\n"
                                     "Modes: text (numbered CR LF text lines), binary (every byte value in turn),\n"
                                     "bursts (frames of --burst bytes separated by --pause ms of quiet), file\n"
                                     "(the bytes of --file), stdin (the bytes of standard input).\n"
                                     "While no program reads the port the device waits, as with flow control.\n"
                                     "When the data ends the device stays present until SIGINT or SIGTERM,\n"
                                     "unless --exit-at-end is given (then the device vanishes).");
    parser.addHelpOption();
    parser.addOptions({
        {"port", "Link COM<N> (default 1).", "N", "1"},
        {"rate",
         "Bytes per second (default 960, about 9600 baud); 0 sends as fast as "
         "the reader takes them.",
         "BYTES_PER_S", "960"},
        {"mode", "text, binary, bursts, file or stdin (default text).", "MODE", "text"},
        {"file", "The file to play in file mode.", "PATH"},
        {"count", "Stop after N bytes (default 0: no limit).", "N", "0"},
        {"burst", "Bytes per burst in bursts mode (default 64).", "N", "64"},
        {"pause", "Quiet time between bursts in ms (default 500).", "MS", "500"},
        {"loop", "In file mode, start the file again at its end."},
        {"exit-at-end", "Close the terminal when the data ends, as if unplugged."},
    });
    parser.process(app);

    auto number = [&](const char *name, double &out, double least) {
        bool ok = false;
        const double v = parser.value(name).toDouble(&ok);
        if (!ok || v < least || !std::isfinite(v)) {
            std::fprintf(stderr, "fake-device: --%s must be a number of at least %g\n", name, least);
            return false;
        }
        out = v;
        return true;
    };
    double port = 0, count = 0, burst = 0, pause = 0;
    if (!number("port", port, 1) || !number("rate", options.rate, 0) || !number("count", count, 0)
        || !number("burst", burst, 1) || !number("pause", pause, 0))
        return false;
    if (port > 32767 || port != std::floor(port)) {
        std::fprintf(stderr, "fake-device: --port must be a whole number from 1 to 32767\n");
        return false;
    }
    options.port = int(port);
    options.count = qint64(count);
    options.burst = int(std::min(burst, 1e6));
    options.pauseMs = int(std::min(pause, 3.6e6));
    options.loop = parser.isSet("loop");
    options.exitAtEnd = parser.isSet("exit-at-end");

    const QString mode = parser.value("mode");
    if (mode == "text")
        options.mode = Mode::Text;
    else if (mode == "binary")
        options.mode = Mode::Binary;
    else if (mode == "bursts")
        options.mode = Mode::Bursts;
    else if (mode == "file")
        options.mode = Mode::File;
    else if (mode == "stdin")
        options.mode = Mode::Stdin;
    else {
        std::fprintf(stderr, "fake-device: unknown --mode %s\n", qPrintable(mode));
        return false;
    }
    options.file = parser.value("file");
    if (options.mode == Mode::File && options.file.isEmpty()) {
        std::fprintf(stderr, "fake-device: file mode needs --file PATH\n");
        return false;
    }
    return true;
}

// Sends the source's bytes at the chosen rate until it ends, the count is
// reached or a signal comes. Returns how many bytes went into the terminal.
qint64 play(Terminal &terminal, Source &source, const Options &options)
{
    // Pieces of about 10 ms of data keep the rate smooth.
    const int piece = options.rate > 0 ? int(std::clamp(options.rate / 100.0, 1.0, 4096.0)) : 4096;
    const double start = now();
    double pausedSoFar = 0;
    qint64 sent = 0;
    while (!g_stop && (options.count == 0 || sent < options.count)) {
        QByteArray bytes = source.next(piece);
        if (bytes.isEmpty())
            return sent;
        if (options.count > 0 && sent + bytes.size() > options.count)
            bytes.truncate(options.count - sent);
        // Paced piece by piece so a long line or frame flows at the rate too.
        for (qsizetype at = 0; at < bytes.size() && !g_stop; at += piece) {
            const QByteArray part = bytes.mid(at, piece);
            if (options.rate > 0)
                sleepSeconds(start + pausedSoFar + double(sent) / options.rate - now());
            const qsizetype written = terminal.write(part);
            sent += written;
            if (written < part.size())
                return sent;
        }
        if (options.mode == Mode::Bursts && options.pauseMs > 0) {
            sleepSeconds(options.pauseMs / 1000.0);
            pausedSoFar += options.pauseMs / 1000.0;
        }
    }
    return sent;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("fake-device");
    Options options;
    if (!parseOptions(app, options))
        return 2;

    installSignalHandlers();
    Source source(options);
    if (!source.ready()) {
        std::fprintf(stderr, "fake-device: cannot read %s\n", qPrintable(options.file));
        return 1;
    }
    Terminal terminal;
    if (!terminal.open()) {
        std::fprintf(stderr, "fake-device: openpty: %s\n", std::strerror(errno));
        return 1;
    }
    std::string error;
    if (!terminal.link(options.port, error)) {
        std::fprintf(stderr, "fake-device: %s\n", error.c_str());
        return 1;
    }
    std::printf("fake-device: %s -> %s\n", terminal.linkName().c_str(), terminal.slavePath().c_str());
    std::fflush(stdout);

    const qint64 sent = play(terminal, source, options);

    if (!options.exitAtEnd) {
        // Wait for a signal with no window between the test and the wait.
        sigset_t block, previous;
        sigemptyset(&block);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&block, sig);
        sigprocmask(SIG_BLOCK, &block, &previous);
        while (!g_stop)
            sigsuspend(&previous);
        sigprocmask(SIG_SETMASK, &previous, nullptr);
    }
    // What a capture of the whole run should hold.
    std::printf("fake-device: sent %lld bytes\n", static_cast<long long>(sent));
    return 0;
}
