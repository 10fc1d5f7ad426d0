#include "serial_device.h"

#include "port/serial_driver.h"
#include "port/serial_errors.h"
#include "port/serial_linux.h"

#include <QLockFile>

#include <cerrno>

namespace quillar {

using serial_linux::PathKind;

SerialDevice::SerialDevice(SerialDriver &driver, Clock &clock, QObject *parent)
    : PortDevice(parent),
      m_driver(driver),
      m_reader(driver,
               {[this] { QMetaObject::invokeMethod(this, &PortDevice::readyRead, Qt::QueuedConnection); },
                [this](std::vector<CommEvent> events) {
                    QMetaObject::invokeMethod(
                        this, [this, events] { emitLineEvents(events); }, Qt::QueuedConnection);
                },
                [this] { QMetaObject::invokeMethod(this, &PortDevice::hungUp, Qt::QueuedConnection); }},
               clock),
      m_modemWaiter(
          driver, [this] { QMetaObject::invokeMethod(this, &SerialDevice::lookAtModemLines, Qt::QueuedConnection); },
          [this](int error) {
              QMetaObject::invokeMethod(
                  this, [this, error] { modemWaitEnded(error); }, Qt::QueuedConnection);
          })
{
    m_modemPoll.setInterval(ModemPollMs);
    connect(&m_modemPoll, &QTimer::timeout, this, &SerialDevice::lookAtModemLines);
}

SerialDevice::~SerialDevice()
{
    close();
}

void SerialDevice::open(const QString &path, const QString &link, const CommSettings &settings)
{
    close();
    try {
        openOrThrow(path, link, settings);
    } catch (...) {
        close();
        throw;
    }
}

void SerialDevice::openOrThrow(const QString &path, const QString &link, const CommSettings &settings)
{
    // What is not a terminal is named, and never opened: opening some devices
    // does something.
    const PathKind kind = serial_linux::pathKind(path);
    if (kind != PathKind::CharDevice)
        throw serial_errors::notAPort(kind, path, link);
    if (const auto holder = serial_linux::lockHolder(path))
        throw serial_errors::busy(path, link, holder);

    int fd = -1;
    if (const int error = m_driver.open(path, fd))
        throw serial_errors::openFailure(error, path, link);
    m_fd = fd;
    // A terminal answers this; anything else is no serial port.
    CommSettings current;
    if (const int error = m_driver.getLine(m_fd, current))
        throw serial_errors::notAPort(PathKind::NotTerminal, path, link);

    // Announced where other serial programs look, as Qt programs write it.
    if (const QString lockPath = serial_linux::lockFilePath(path); !lockPath.isEmpty()) {
        m_lock = std::make_unique<QLockFile>(lockPath);
        m_lock->setStaleLockTime(0); // only a holder that is gone makes it stale
        if (!m_lock->tryLock(0)) {
            const bool held = m_lock->error() == QLockFile::LockFailedError;
            // Its holder as Qt reads it; none (pid 0) when it cannot.
            serial_linux::LockHolder holder{0, QString(), lockPath};
            QString host;
            if (held)
                (void)m_lock->getLockInfo(&holder.pid, &host, &holder.program);
            m_lock.reset();
            if (held)
                throw serial_errors::busy(path, link, holder);
        }
    }
    (void)m_driver.setExclusive(m_fd, true);

    CommSettings applied;
    if (const int error = setLine(settings, applied))
        throw error == EINVAL ? serial_errors::refusedSettings(path, link, settings.text(), QString())
                              : serial_errors::openFailure(error, path, link);
    if (!takenAsAsked(settings, applied))
        throw serial_errors::refusedSettings(path, link, settings.text(), applied.text());
    m_settings = applied;

    // The baselines: a condition counts from now on.
    LineCounters counters;
    ModemLines transitions;
    const bool counted = m_driver.counters(m_fd, counters, transitions) == 0;
    ModemLines lines;
    const bool modem = m_driver.modemLines(m_fd, lines) == 0;
    if (counted) {
        lines.ctsChanges = transitions.ctsChanges;
        lines.dsrChanges = transitions.dsrChanges;
        lines.cdChanges = transitions.cdChanges;
        lines.rings = transitions.rings;
    }
    m_modemLines.reset();
    (void)m_modemLines.update(LineSnapshot{std::nullopt, modem ? std::optional(lines) : std::nullopt});
    if (const int error = m_reader.start(m_fd, counted ? std::optional(counters) : std::nullopt))
        throw serial_errors::openFailure(error, path, link);
    if (modem)
        m_modemWaiter.start(m_fd);
}

int SerialDevice::setLine(const CommSettings &asked, CommSettings &applied)
{
    // termios has no four-bit characters, and no stop bits between one and
    // two (it would quietly send one or two).
    if (asked.dataBits < 5 || asked.stopBits == CommSettings::StopBits::OneAndHalf)
        return EINVAL;
    if (const int error = m_driver.setLine(m_fd, asked))
        return error;
    return m_driver.getLine(m_fd, applied);
}

void SerialDevice::applySettings(const CommSettings &settings)
{
    if (!isOpen())
        return;
    CommSettings applied;
    if (setLine(settings, applied) != 0 || !takenAsAsked(settings, applied)) {
        // The line goes on at what it had.
        CommSettings restored;
        (void)setLine(m_settings, restored);
        throw serial_errors::invalidSettings();
    }
    m_settings = applied;
}

void SerialDevice::close()
{
    m_modemPoll.stop();
    m_modemWaiter.stop();
    m_reader.stop();
    if (m_fd >= 0) {
        // A terminal that others still hold open keeps the flag.
        (void)m_driver.setExclusive(m_fd, false);
        m_driver.close(m_fd);
        m_fd = -1;
    }
    m_lock.reset(); // unlocks
}

SerialDevice::ModemWatch SerialDevice::modemWatch() const
{
    if (m_modemWaiter.isRunning())
        return ModemWatch::Waiting;
    return m_modemPoll.isActive() ? ModemWatch::Polling : ModemWatch::None;
}

void SerialDevice::lookAtModemLines()
{
    if (!isOpen() || !m_modemLines.wantsModem())
        return;
    ModemLines lines;
    LineCounters unused;
    ModemLines transitions;
    const bool read = m_driver.modemLines(m_fd, lines) == 0;
    if (read && m_driver.counters(m_fd, unused, transitions) == 0) {
        lines.ctsChanges = transitions.ctsChanges;
        lines.dsrChanges = transitions.dsrChanges;
        lines.cdChanges = transitions.cdChanges;
        lines.rings = transitions.rings;
    }
    emitLineEvents(m_modemLines.update(LineSnapshot{std::nullopt, read ? std::optional(lines) : std::nullopt}));
    if (!m_modemLines.wantsModem())
        m_modemPoll.stop();
}

void SerialDevice::modemWaitEnded(int error)
{
    m_modemWaiter.stop();
    // The driver reports the lines but cannot wait for them: look slowly.
    // (EIO: the device is going, which the reader reports.)
    if (isOpen() && error != EIO && m_modemLines.wantsModem())
        m_modemPoll.start();
}

void SerialDevice::emitLineEvents(const std::vector<CommEvent> &events)
{
    for (const CommEvent event : events) {
        if (!isOpen()) // a handler closed the port
            break;
        emit lineEvent(event);
    }
}

} // namespace quillar
