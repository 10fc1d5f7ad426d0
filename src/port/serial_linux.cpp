#include "serial_linux.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillar::serial_linux {

LineSnapshot readLine(int fd, bool counters, bool modem)
{
    LineSnapshot snapshot;
    if (fd < 0)
        return snapshot;

    if (counters) {
        serial_icounter_struct icount{};
        if (::ioctl(fd, TIOCGICOUNT, &icount) == 0) {
            LineCounters c;
            c.breaks = icount.brk;
            c.frame = icount.frame;
            c.overrun = icount.overrun;
            c.bufferOverrun = icount.buf_overrun;
            c.parity = icount.parity;
            snapshot.counters = c;
        }
    }

    if (modem) {
        int bits = 0;
        if (::ioctl(fd, TIOCMGET, &bits) == 0) {
            ModemLines m;
            m.cts = (bits & TIOCM_CTS) != 0;
            m.dsr = (bits & TIOCM_DSR) != 0;
            m.cd = (bits & TIOCM_CAR) != 0;
            m.ring = (bits & TIOCM_RNG) != 0;
            snapshot.modem = m;
        }
    }

    return snapshot;
}

ReadResult readSome(int fd, char *data, qint64 max)
{
    ssize_t n = 0;
    do {
        n = ::read(fd, data, static_cast<size_t>(max));
    } while (n < 0 && errno == EINTR);
    if (n > 0)
        return {n, false};
    if (n < 0)
        return {0, errno != EAGAIN && errno != EWOULDBLOCK}; // EIO, ENXIO, ...: the device is unusable
    // Nothing, where a terminal with nothing to read says "try again": an end.
    return {0, hungUp(fd)};
}

bool hungUp(int fd)
{
    if (fd < 0)
        return true;
    pollfd p{};
    p.fd = fd;
    p.events = POLLIN;
    int r = 0;
    do {
        r = ::poll(&p, 1, 0);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        return errno == EBADF;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool readAccessDenied(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    // The effective identity, as open(2) uses it.
    return ::faccessat(AT_FDCWD, native.constData(), R_OK, AT_EACCESS) != 0 && errno == EACCES;
}

bool lockedByAnotherProgram(const QString &path)
{
    // Named after the device below /dev, with '/' as '_': LCK..pts_3.
    QString name = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
    name.replace(u'/', u'_');
    for (const char *folder : {"/run/lock", "/var/lock"}) {
        QFile lock(QString::fromLatin1(folder) + QStringLiteral("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool number = false;
        const qint64 pid = lock.readLine(64).trimmed().toLongLong(&number);
        if (!number || pid <= 0 || pid == ::getpid() || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
            continue;
        // Qt programs write their name on the next line. A holder killed
        // without removing its file leaves a number that, once reused by
        // another program, must not keep the port busy for ever.
        const QString holder = QFileInfo(QString::fromLocal8Bit(lock.readLine(4096).trimmed())).fileName();
        // The kernel's name of the process (any user may read it) is the
        // program's file name, cut to 15 characters.
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString running = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
        if (holder.isEmpty() || running.isEmpty() || holder.left(15) == running)
            return true;
    }
    return false;
}

QString permissionAdvice(const QString &path)
{
    QString groupName = QStringLiteral("dialout");
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (const group *g = ::getgrgid(st.st_gid); g && g->gr_gid != 0)
            groupName = QString::fromLocal8Bit(g->gr_name);
    }
    return QStringLiteral("Permission denied: %1 may not be opened by this user. "
                          "Add the user to the group %2 (sudo usermod -aG %2 $USER), "
                          "then log out and in again.")
        .arg(path, groupName);
}

} // namespace quillar::serial_linux
