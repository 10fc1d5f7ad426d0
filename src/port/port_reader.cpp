#include "port_reader.h"

#include "port/read_pacing.h"
#include "port/serial_linux.h"

#include <QSocketNotifier>

namespace quillar {

namespace {
// One read takes at most this much; the system hands over far less at once.
constexpr qint64 ReadChunk = 65536;
} // namespace

PortReader::PortReader(QObject *parent) : QObject(parent)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, [this] { readDevice(true); });
}

PortReader::~PortReader() = default;

void PortReader::start(int fd)
{
    stop();
    m_fd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readDevice(false); });
}

void PortReader::stop()
{
    m_pause.stop();
    delete m_notifier;
    m_notifier = nullptr;
    m_fd = -1;
    m_buffer.clear();
    m_taken = 0;
}

QByteArray PortReader::take(qint64 max)
{
    const qint64 n = std::min(max, available());
    QByteArray bytes = m_buffer.mid(m_taken, n);
    m_taken += n;
    if (m_taken == m_buffer.size()) {
        m_buffer.clear(); // keeps its capacity for the next read
        m_taken = 0;
    }
    return bytes;
}

void PortReader::readNow()
{
    if (m_fd >= 0)
        readDevice(true);
}

void PortReader::readDevice(bool fromTimer)
{
    if (m_fd < 0)
        return;
    const qint64 before = m_buffer.size();
    m_buffer.resize(before + ReadChunk);
    const serial_linux::ReadResult result = serial_linux::readSome(m_fd, m_buffer.data() + before, ReadChunk);
    m_buffer.resize(before + std::max<qint64>(0, result.bytes));

    if (result.hungUp) {
        m_pause.stop();
        m_notifier->setEnabled(false); // a hung-up device stays readable for ever
        emit hungUp();
        return;
    }
    const double sinceLastRead = m_sinceRead.isValid() ? m_sinceRead.nsecsElapsed() / 1e6 : 1e9;
    if (result.bytes > 0)
        m_sinceRead.start();
    const int pause = result.bytes > 0 ? read_pacing::pauseAfter(result.bytes, sinceLastRead, m_longestPause) : 0;
    if (pause > 0) {
        // Rest: the next read comes by the timer.
        if (m_notifier->isEnabled())
            m_notifier->setEnabled(false);
        m_pause.start(pause);
    } else if (fromTimer || !m_notifier->isEnabled()) {
        m_notifier->setEnabled(true); // back to waiting for the next arrival
    }
    if (result.bytes > 0)
        emit readyRead();
}

} // namespace quillar
