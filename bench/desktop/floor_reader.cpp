// The floor for the desktop benchmark: the least a program can do with a
// terminal's bytes, a poll and a read and nothing else. What Quillar costs
// above it is what showing and keeping the bytes costs.
//
//     floor_reader TERMINAL
//
// Reads until SIGTERM; prints the bytes it read on its way out.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopping = 0;

void stop(int)
{
    stopping = 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: floor_reader TERMINAL\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    termios raw{};
    if (::tcgetattr(fd, &raw) == 0) {
        ::cfmakeraw(&raw);
        (void)::tcsetattr(fd, TCSANOW, &raw);
    }
    struct sigaction action
    { };
    action.sa_handler = stop;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    static char buffer[65536];
    unsigned long long total = 0;
    pollfd watched{fd, POLLIN, 0};
    while (!stopping) {
        if (::poll(&watched, 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (watched.revents & (POLLHUP | POLLERR | POLLNVAL))
            break;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            total += static_cast<unsigned long long>(got);
        else if (got < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    std::printf("%llu\n", total);
    return 0;
}
