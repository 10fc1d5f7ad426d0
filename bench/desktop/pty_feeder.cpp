// Plays a device for the desktop benchmark: a pseudo-terminal linked as the
// given path, written at a fixed pace (one write every --period-us) or as
// fast as the reader takes it. Plain POSIX, so that it costs the machine as
// little as a UART would.
//
//   pty_feeder LINK --rate BYTES_PER_S|0 [--period-us 1000] [--pattern text|coloured|random|series] [--tcp PORT]
//
// With --tcp it plays a remote port instead: it listens on 127.0.0.1:PORT,
// writes tcp://127.0.0.1:PORT into the file LINK, and writes to the first
// client that connects, as a raw TCP port of ser2net would.
//
// Prints "ready" once linked. Each line read on standard input is a command:
// "start" begins writing, "stop" ends it and prints "<bytes> <seconds>";
// "fill N" writes N bytes as fast as they are taken, before a run, and
// prints "filled <seconds>". End of input closes the terminal.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::vector<char> pattern(const std::string &kind)
{
    std::vector<char> bytes;
    if (kind == "random") {
        std::mt19937 generator(42);
        bytes.resize(1 << 20);
        for (char &b : bytes)
            b = static_cast<char>(generator() & 0xff);
        return bytes;
    }
    // Ten series, a line of ten numbers of 81 bytes in all (1,000 lines a
    // second at 81,000 bytes a second), for the plot.
    if (kind == "series") {
        for (int line = 0; bytes.size() < (1u << 20); ++line) {
            char text[128];
            int n = 0;
            for (int k = 0; k < 10; ++k)
                n += std::snprintf(text + n, sizeof text - std::size_t(n), k ? " %+07.2f" : "%+07.2f",
                                   99 * std::sin(line * 0.002 * (k + 1)));
            n += std::snprintf(text + n, sizeof text - std::size_t(n), "\r\n");
            bytes.insert(bytes.end(), text, text + n);
        }
        return bytes;
    }
    // Text lines of about 60 characters, ended by CR LF; coloured, a boot
    // log's levels in SGR colours with UTF-8 in every third line.
    const bool coloured = kind == "coloured";
    for (int line = 0; bytes.size() < (1u << 20); ++line) {
        char text[128];
        const char *level[] = {"\x1b[0;32mI", "\x1b[0;33mW", "\x1b[0;31mE"};
        const int n = coloured
            ? std::snprintf(text, sizeof text,
                            "%s (%06d) boot: temp 23.5 \xc2\xb0"
                            "C \xe4\xb8\xad %04x\x1b[0m\r\n",
                            level[line % 3], line, line & 0xffff)
            : std::snprintf(text, sizeof text, "%06d The quick brown fox jumps over the lazy dog %04x\r\n", line,
                            line & 0xffff);
        bytes.insert(bytes.end(), text, text + n);
    }
    return bytes;
}

double now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: pty_feeder LINK --rate N [--period-us N] [--pattern text|random]\n");
        return 2;
    }
    const std::string link = argv[1];
    long rate = 0;
    long periodUs = 1000;
    int tcpPort = 0;
    std::string kind = "text";
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rate")
            rate = std::atol(argv[i + 1]);
        else if (option == "--period-us")
            periodUs = std::max(1L, std::atol(argv[i + 1]));
        else if (option == "--pattern")
            kind = argv[i + 1];
        else if (option == "--tcp")
            tcpPort = std::atoi(argv[i + 1]);
    }

    int master = -1;
    int slave = -1;
    char name[128] = {};
    int listener = -1;
    if (tcpPort > 0) {
        std::signal(SIGPIPE, SIG_IGN);
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(tcpPort));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::listen(listener, 1) != 0) {
            std::perror("listen");
            return 1;
        }
        std::ofstream(link) << "tcp://127.0.0.1:" << tcpPort << "\n";
    } else if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    if (listener < 0) {
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        ::unlink(link.c_str());
        if (::symlink(name, link.c_str()) != 0) {
            std::perror("symlink");
            return 1;
        }
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    const std::vector<char> bytes = pattern(kind);
    std::printf("ready\n");
    std::fflush(stdout);

    std::atomic<bool> running{false};
    std::atomic<bool> quit{false};
    std::atomic<long long> written{0};
    std::atomic<long long> filling{0};
    std::thread writer([&] {
        std::size_t at = 0;
        auto put = [&](std::size_t n) {
            while (n > 0 && !quit.load()) {
                const std::size_t chunk = std::min(n, bytes.size() - at);
                const ssize_t w = ::write(master, bytes.data() + at, chunk);
                if (w > 0) {
                    written += w;
                    at = (at + std::size_t(w)) % bytes.size();
                    n -= std::size_t(w);
                } else if (w < 0 && errno == EAGAIN) {
                    pollfd p{master, POLLOUT, 0};
                    ::poll(&p, 1, 20);
                    if (!running.load() && filling.load() == 0)
                        return;
                } else if (w < 0 && errno != EINTR) {
                    return;
                }
            }
        };
        while (!quit.load()) {
            if (const long long left = filling.load(); left > 0) {
                const long long n = std::min<long long>(left, 65536);
                put(std::size_t(n));
                filling -= n;
                continue;
            }
            if (!running.load()) {
                ::usleep(1000);
                continue;
            }
            if (master < 0) { // the program connected at its start
                master = ::accept(listener, nullptr, nullptr);
                ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
            }
            if (rate == 0) {
                put(65536);
                continue;
            }
            // Absolute deadlines, so the pace does not drift with the writes.
            timespec next{};
            clock_gettime(CLOCK_MONOTONIC, &next);
            double owed = 0;
            while (running.load() && !quit.load()) {
                owed += double(rate) * double(periodUs) / 1e6;
                const auto n = static_cast<std::size_t>(owed);
                owed -= double(n);
                put(n);
                next.tv_nsec += periodUs * 1000;
                while (next.tv_nsec >= 1000000000L) {
                    next.tv_nsec -= 1000000000L;
                    ++next.tv_sec;
                }
                clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            }
        }
    });

    char line[64];
    double started = 0;
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "start", 5) == 0) {
            written = 0;
            started = now();
            running = true;
        } else if (std::strncmp(line, "fill ", 5) == 0) {
            const double began = now();
            filling = std::atoll(line + 5);
            while (filling.load() > 0)
                ::usleep(10000);
            std::printf("filled %.3f\n", now() - began);
            std::fflush(stdout);
        } else if (std::strncmp(line, "stop", 4) == 0) {
            running = false;
            std::printf("%lld %.3f\n", written.load(), now() - started);
            std::fflush(stdout);
        }
    }
    quit = true;
    running = false;
    writer.join();
    ::unlink(link.c_str());
    if (slave >= 0)
        ::close(slave);
    if (listener >= 0)
        ::close(listener);
    ::close(master);
    return 0;
}
