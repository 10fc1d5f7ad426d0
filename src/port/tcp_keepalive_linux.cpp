#include "tcp_keepalive.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace quillar::tcp_keepalive {

bool enable(long long descriptor)
{
    const int fd = static_cast<int>(descriptor);
    const int on = 1, idle = IdleSeconds, interval = ProbeIntervalSeconds, count = Probes;
    return setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0
        && setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) == 0
        && setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) == 0
        && setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count) == 0;
}

} // namespace quillar::tcp_keepalive
