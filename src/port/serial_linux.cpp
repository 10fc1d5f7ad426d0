#include "serial_linux.h"

#include "port/serial_driver.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillar {

namespace {

int errorOf(int result)
{
    return result == 0 ? 0 : errno;
}

} // namespace

SerialDriver &LinuxSerialDriver::instance()
{
    static LinuxSerialDriver driver;
    return driver;
}

int LinuxSerialDriver::open(const QString &path, int &fd)
{
    do {
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? errno : 0;
}

void LinuxSerialDriver::close(int fd)
{
    ::close(fd); // not retried on EINTR: the descriptor is gone either way
}

int LinuxSerialDriver::setExclusive(int fd, bool exclusive)
{
    return errorOf(::ioctl(fd, exclusive ? TIOCEXCL : TIOCNXCL));
}

qint64 LinuxSerialDriver::read(int fd, char *data, qint64 max)
{
    ssize_t n = 0;
    do {
        n = ::read(fd, data, static_cast<size_t>(max));
    } while (n < 0 && errno == EINTR);
    return n >= 0 ? n : -errno;
}

bool LinuxSerialDriver::waitForInput(int fd, int wakeFd)
{
    pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(p, 2, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return true; // let the read say what is wrong
        if (p[1].revents != 0)
            return false;
        return true;
    }
}

int LinuxSerialDriver::counters(int fd, LineCounters &c, ModemLines &transitions)
{
    serial_icounter_struct icount{};
    if (::ioctl(fd, TIOCGICOUNT, &icount) != 0)
        return errno;
    c.breaks = icount.brk;
    c.frame = icount.frame;
    c.overrun = icount.overrun;
    c.bufferOverrun = icount.buf_overrun;
    c.parity = icount.parity;
    transitions.ctsChanges = icount.cts;
    transitions.dsrChanges = icount.dsr;
    transitions.cdChanges = icount.dcd;
    transitions.rings = icount.rng;
    return 0;
}

int LinuxSerialDriver::modemLines(int fd, ModemLines &m)
{
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0)
        return errno;
    m.cts = (bits & TIOCM_CTS) != 0;
    m.dsr = (bits & TIOCM_DSR) != 0;
    m.cd = (bits & TIOCM_CAR) != 0;
    m.ring = (bits & TIOCM_RNG) != 0;
    return 0;
}

int LinuxSerialDriver::waitModemChange(int fd)
{
    return errorOf(::ioctl(fd, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG));
}

namespace serial_linux {

PathKind pathKind(const QString &path)
{
    struct stat st
    { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ELOOP ? PathKind::Loop : PathKind::Missing;
    switch (st.st_mode & S_IFMT) {
    case S_IFREG:
        return PathKind::RegularFile;
    case S_IFDIR:
        return PathKind::Directory;
    case S_IFIFO:
        return PathKind::Fifo;
    case S_IFSOCK:
        return PathKind::Socket;
    case S_IFBLK:
        return PathKind::BlockDevice;
    default:
        break;
    }
    // The system files each device it knows under its class; a device of
    // another class is not opened at all (opening some, such as a watchdog,
    // does something). Pseudo-terminals are filed nowhere.
    const QFileInfo subsystem(
        QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(major(st.st_rdev)).arg(minor(st.st_rdev)));
    if (subsystem.isSymLink() && QFileInfo(subsystem.symLinkTarget()).fileName() != u"tty")
        return PathKind::NotTerminal;
    return PathKind::CharDevice;
}

namespace {

// Named after the device below /dev, with '/' as '_': LCK..pts_3.
QString lockName(const QString &path)
{
    QString name = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
    name.replace(u'/', u'_');
    return QStringLiteral("LCK..") + name;
}

QByteArray firstLineOf(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    return (end < 0 ? bytes : bytes.left(end)).trimmed();
}

// The process number a lock file holds: ASCII digits (blanks around them
// allowed, a program's name on the next line in Qt's files), or the four
// bytes of a binary int as some old programs write it. 0 when neither. A
// binary number's high byte is 0: four bytes holding a NUL are binary even
// where the others read as digits (12341 is "50" and two NULs).
qint64 lockPid(const QByteArray &content)
{
    const auto binary = [&content] {
        std::int32_t pid = 0;
        std::memcpy(&pid, content.constData(), sizeof pid);
        return qint64(pid);
    };
    if (content.size() == 4 && content.contains('\0'))
        return binary();
    bool number = false;
    const qint64 pid = firstLineOf(content).toLongLong(&number);
    if (number)
        return pid;
    return content.size() == 4 ? binary() : 0;
}

} // namespace

std::optional<LockHolder> lockHolder(const QString &path)
{
    for (const char *folder : {"/run/lock", "/var/lock"}) {
        QFile lock(QString::fromLatin1(folder) + u'/' + lockName(path));
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const QByteArray content = lock.read(4096);
        const qint64 pid = lockPid(content);
        if (pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == ::getpid())
            continue;
        if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH) {
            // Its holder is gone without removing it; Qt's own lock would
            // keep a file it cannot read (a binary one) for ever.
            lock.remove();
            continue;
        }
        // Qt programs write their name on the next line. A holder killed
        // without removing its file leaves a number that, once reused by
        // another program, must not keep the port busy for ever.
        const qsizetype newline = content.indexOf('\n');
        const QString holder = newline < 0
            ? QString()
            : QFileInfo(QString::fromLocal8Bit(firstLineOf(content.mid(newline + 1)))).fileName();
        // The kernel's name of the process (any user may read it) is the
        // program's file name, cut to 15 characters.
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString running =
            comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(firstLineOf(comm.readAll())) : QString();
        if (holder.isEmpty() || running.isEmpty() || holder.left(15) == running)
            return LockHolder{pid, running.isEmpty() ? holder : running, lock.fileName()};
    }
    return std::nullopt;
}

QString lockFilePath(const QString &path)
{
    for (const char *folder : {"/run/lock", "/var/lock"}) {
        const QString file = QString::fromLatin1(folder) + u'/' + lockName(path);
        if (::access(folder, W_OK) == 0 || QFile::exists(file))
            return file;
    }
    return {};
}

QString permissionAdvice(const QString &path)
{
    QString groupName = QStringLiteral("dialout");
    struct stat st
    { };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (const group *g = ::getgrgid(st.st_gid); g && g->gr_gid != 0)
            groupName = QString::fromLocal8Bit(g->gr_name);
    }
    return QStringLiteral("Permesso negato: questo utente non può aprire %1. "
                          "Aggiungere l'utente al gruppo %2 (sudo usermod -aG %2 $USER), "
                          "poi uscire dalla sessione e rientrare.")
        .arg(path, groupName);
}

int makeWakeHandle()
{
    return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void wake(int handle)
{
    const std::uint64_t one = 1;
    while (::write(handle, &one, sizeof one) < 0 && errno == EINTR) { }
}

void closeWakeHandle(int handle)
{
    if (handle >= 0)
        ::close(handle);
}

namespace {

void doNothing(int) { }

// A real-time signal of its own: nothing else in the program uses one.
int interruptSignal()
{
    static const int number = [] {
        const int signal = SIGRTMIN + 4;
        struct sigaction action
        { };
        action.sa_handler = doNothing;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the interrupted call returns EINTR
        ::sigaction(signal, &action, nullptr);
        return signal;
    }();
    return number;
}

} // namespace

void interrupt(std::thread &thread)
{
    if (thread.joinable())
        ::pthread_kill(thread.native_handle(), interruptSignal());
}

void nameThisThread(const char *name)
{
    (void)::pthread_setname_np(::pthread_self(), name);
}

} // namespace serial_linux

} // namespace quillar
