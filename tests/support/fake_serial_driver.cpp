#include "fake_serial_driver.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillar::test {

FakeSerialDriver::FakeSerialDriver(Supports supports) : m_supports(supports)
{
    (void)::pipe2(m_changes, O_CLOEXEC);
}

FakeSerialDriver::~FakeSerialDriver()
{
    ::close(m_changes[0]);
    ::close(m_changes[1]);
}

void FakeSerialDriver::setCounters(const LineCounters &counters)
{
    const std::lock_guard lock(m_mutex);
    m_counters = counters;
}

void FakeSerialDriver::setModemLines(const ModemLines &lines)
{
    {
        const std::lock_guard lock(m_mutex);
        m_lines = lines;
    }
    const char change = 1;
    (void)::write(m_changes[1], &change, 1);
}

int FakeSerialDriver::setLine(int fd, const CommSettings &settings)
{
    CommSettings asked = settings;
    if (m_fastest > 0 && asked.baud > m_fastest) {
        CommSettings now;
        if (const int error = getLine(fd, now))
            return error;
        asked.baud = now.baud;
    }
    return LinuxSerialDriver::setLine(fd, asked);
}

int FakeSerialDriver::counters(int, LineCounters &counters, ModemLines &transitions)
{
    ++m_counterReads;
    if (!m_supports.counters)
        return ENOTTY;
    const std::lock_guard lock(m_mutex);
    counters = m_counters;
    transitions.ctsChanges = m_lines.ctsChanges;
    transitions.dsrChanges = m_lines.dsrChanges;
    transitions.cdChanges = m_lines.cdChanges;
    transitions.rings = m_lines.rings;
    return 0;
}

int FakeSerialDriver::modemLines(int, ModemLines &lines)
{
    ++m_modemReads;
    if (!m_supports.modemLines)
        return ENOTTY;
    const std::lock_guard lock(m_mutex);
    lines.cts = m_lines.cts;
    lines.dsr = m_lines.dsr;
    lines.cd = m_lines.cd;
    lines.ring = m_lines.ring;
    return 0;
}

int FakeSerialDriver::waitModemChange(int)
{
    if (!m_supports.modemWait)
        return ENOTTY;
    char change = 0;
    return ::read(m_changes[0], &change, 1) == 1 ? 0 : errno;
}

} // namespace quillar::test
