#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace quillar::test {

namespace {

// Everything a descriptor has to give now, made non-blocking first.
QByteArray readWaiting(int fd)
{
    QByteArray result;
    if (fd < 0)
        return result;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        result.append(buffer, n);
    return result;
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_slavePath = QFile::decodeName(name);
    termios tio{};
    if (::tcgetattr(m_slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
}

unsigned PseudoTerminal::lineSpeed() const
{
    termios tio{};
    return ::tcgetattr(m_slave, &tio) == 0 ? ::cfgetospeed(&tio) : 0;
}

PseudoTerminal::~PseudoTerminal()
{
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

bool PseudoTerminal::linkAs(const QString &directory, int number)
{
    if (!isOpen())
        return false;
    const QString link = QDir(directory).absoluteFilePath(QStringLiteral("COM%1").arg(number));
    QFile::remove(link);
    if (!QFile::link(m_slavePath, link))
        return false;
    m_linkPath = link;
    return true;
}

qint64 PseudoTerminal::write(const QByteArray &bytes)
{
    if (!isOpen())
        return -1;
    ssize_t n = 0;
    do {
        n = bytes.isEmpty() ? 0 : ::write(m_master, bytes.constData(), size_t(bytes.size()));
    } while (n < 0 && errno == EINTR);
    return n >= 0 ? n : errno == EAGAIN ? 0 : -1;
}

bool PseudoTerminal::writeAll(const QByteArray &bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (qsizetype done = 0;;) {
        const qint64 n = write(bytes.mid(done, 65536));
        done += n;
        if (n < 0 || done == bytes.size())
            return n >= 0;
        if (deadline.hasExpired())
            return false;
        // A full terminal: let a reader in this thread drain it.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (n == 0) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 1);
        }
    }
}

QByteArray PseudoTerminal::readAvailable()
{
    return readWaiting(m_master);
}

QByteArray PseudoTerminal::takeUnread()
{
    return readWaiting(m_slave);
}

bool PseudoTerminal::inputWaiting() const
{
    pollfd p{m_slave, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace quillar::test
