#include "device_reader.h"

#include "port/serial_driver.h"
#include "port/serial_linux.h"

#include <cerrno>
#include <cstring>

namespace quillar {

namespace {
// One read takes at most this much; the system hands over far less at once.
constexpr qint64 ReadChunk = 65536;
} // namespace

DeviceReader::DeviceReader(SerialDriver &driver, Listener listener, Clock &clock)
    : m_driver(driver),
      m_listener(std::move(listener)),
      m_clock(clock)
{ }

DeviceReader::~DeviceReader()
{
    stop();
}

int DeviceReader::start(int fd, std::optional<LineCounters> counters)
{
    stop();
    m_wake = serial_linux::makeWakeHandle();
    if (m_wake < 0)
        return errno;
    m_fd = fd;
    m_stopping = false;
    m_notify = false;
    m_gone = false;
    m_counters.reset();
    (void)m_counters.update(LineSnapshot{counters, std::nullopt});
    m_thread = std::thread([this] {
        serial_linux::nameThisThread("quillar-reader");
        m_running.release();
        run();
    });
    m_running.acquire();
    return 0;
}

void DeviceReader::endThread()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_room.notify_all();
    serial_linux::wake(m_wake);
    m_thread.join();
}

void DeviceReader::finish()
{
    endThread();
    const std::lock_guard lock(m_mutex);
    if (m_fd >= 0 && !m_gone)
        (void)readLocked();
}

void DeviceReader::stop()
{
    endThread();
    serial_linux::closeWakeHandle(m_wake);
    m_wake = -1;
    m_fd = -1;
    const std::lock_guard lock(m_mutex);
    m_held.clear();
    m_received = 0;
}

qint64 DeviceReader::available() const
{
    const std::lock_guard lock(m_mutex);
    return m_held.size();
}

StampedBytes DeviceReader::take(qint64 max)
{
    bool roomAgain = false;
    StampedBytes bytes;
    {
        const std::lock_guard lock(m_mutex);
        const qint64 held = m_held.size();
        bytes = m_held.take(max);
        roomAgain = held >= MaxHeld && m_held.size() < MaxHeld;
    }
    if (roomAgain)
        m_room.notify_all();
    return bytes;
}

quint64 DeviceReader::received() const
{
    const std::lock_guard lock(m_mutex);
    return m_received;
}

void DeviceReader::notifyAfter(quint64 seen)
{
    bool now = false;
    {
        const std::lock_guard lock(m_mutex);
        now = m_received > seen;
        m_notify = !now;
    }
    if (now)
        m_listener.readable();
}

// Everything the device holds now, held with the time it was found.
DeviceReader::Outcome DeviceReader::readLocked()
{
    Outcome outcome;
    const qint64 found = m_clock.msSinceEpoch();
    for (;;) {
        const qint64 n = m_driver.read(m_fd, m_held.reserve(ReadChunk), ReadChunk);
        m_held.commit(std::max<qint64>(0, n), found);
        if (n > 0) {
            outcome.bytes += n;
            m_received += quint64(n);
        }
        if (n == ReadChunk)
            continue;
        // A short read took all there was; nothing (0) or a failure other than
        // "nothing waits" means the device is unusable.
        outcome.hungUp = n == 0 || (n < 0 && n != -EAGAIN && n != -EWOULDBLOCK);
        m_gone = outcome.hungUp;
        return outcome;
    }
}

void DeviceReader::run()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_room.wait(lock, [this] { return m_stopping || m_held.size() < MaxHeld; });
            if (m_stopping)
                return;
        }
        if (!m_driver.waitForInput(m_fd, m_wake))
            continue; // woken to stop
        Outcome outcome;
        bool tell = false;
        {
            const std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            outcome = readLocked();
            tell = outcome.bytes > 0 && m_notify;
            if (tell)
                m_notify = false;
        }
        if (outcome.bytes > 0)
            checkCounters();
        if (tell)
            m_listener.readable();
        if (outcome.hungUp) {
            m_listener.hungUp();
            return;
        }
    }
}

void DeviceReader::checkCounters()
{
    if (!m_counters.wantsCounters())
        return;
    LineCounters counters;
    ModemLines unused;
    const bool read = m_driver.counters(m_fd, counters, unused) == 0;
    std::vector<CommEvent> events =
        m_counters.update(LineSnapshot{read ? std::optional(counters) : std::nullopt, std::nullopt});
    if (!events.empty())
        m_listener.lineEvents(std::move(events));
}

} // namespace quillar
