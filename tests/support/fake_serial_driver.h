#pragma once

#include "port/serial_driver.h"

#include <atomic>
#include <mutex>

namespace quillar::test {

// The system's calls on a pseudo-terminal, with the UART calls it lacks
// (counters, modem lines, waiting for them) played by the test or refused.
class FakeSerialDriver : public LinuxSerialDriver
{
public:
    struct Supports
    {
        bool counters = true;   // TIOCGICOUNT
        bool modemLines = true; // TIOCMGET
        bool modemWait = true;  // TIOCMIWAIT
    };

    explicit FakeSerialDriver(Supports supports);
    ~FakeSerialDriver() override;
    FakeSerialDriver(const FakeSerialDriver &) = delete;
    FakeSerialDriver &operator=(const FakeSerialDriver &) = delete;

    // A faster rate is not taken, silently, as a 16550A keeps its old one.
    void setFastestRate(std::int32_t baud) { m_fastest = baud; }

    // The line as the test makes it; a change of the modem lines ends a wait.
    void setCounters(const LineCounters &counters);
    void setModemLines(const ModemLines &lines);

    [[nodiscard]] int counterReads() const { return m_counterReads; }
    [[nodiscard]] int modemReads() const { return m_modemReads; }

    int setLine(int fd, const CommSettings &settings) override;
    int counters(int fd, LineCounters &counters, ModemLines &transitions) override;
    int modemLines(int fd, ModemLines &lines) override;
    // Blocks in a read of a pipe, which a signal ends as it ends TIOCMIWAIT.
    int waitModemChange(int fd) override;

private:
    Supports m_supports;
    std::atomic<std::int32_t> m_fastest = 0;
    mutable std::mutex m_mutex;
    LineCounters m_counters;
    ModemLines m_lines;
    int m_changes[2] = {-1, -1};
    std::atomic<int> m_counterReads = 0;
    std::atomic<int> m_modemReads = 0;
};

} // namespace quillar::test
