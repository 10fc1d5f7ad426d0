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

// Everything a non-blocking descriptor has to give now.
QByteArray readWaiting(int fd)
{
    QByteArray result;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.append(buffer, n);
    }
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
    if (bytes.isEmpty())
        return 0;
    ssize_t n = 0;
    do {
        n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return errno == EAGAIN ? 0 : -1;
    return n;
}

bool PseudoTerminal::writeAll(const QByteArray &bytes, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = write(bytes.mid(done, 65536));
        if (n < 0)
            return false;
        done += n;
        if (done == bytes.size())
            break;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (n == 0) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 1);
        }
    }
    return true;
}

QByteArray PseudoTerminal::readAvailable()
{
    return isOpen() ? readWaiting(m_master) : QByteArray();
}

QByteArray PseudoTerminal::takeUnread()
{
    if (m_slave < 0)
        return {};
    ::fcntl(m_slave, F_SETFL, ::fcntl(m_slave, F_GETFL) | O_NONBLOCK);
    return readWaiting(m_slave);
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

} // namespace quillar::test
