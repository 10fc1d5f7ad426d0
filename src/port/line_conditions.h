#pragma once

#include "receive/comm_events.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillar {

// The error counters a UART driver keeps.
struct LineCounters
{
    std::int64_t breaks = 0;
    std::int64_t frame = 0;
    std::int64_t overrun = 0;
    std::int64_t bufferOverrun = 0;
    std::int64_t parity = 0;

    friend bool operator==(const LineCounters &, const LineCounters &) = default;
};

// The modem status lines the device drives: their levels, and where the
// driver counts them, their changes (a ring, or a line that went and came
// back between two looks, shows only there).
struct ModemLines
{
    bool cts = false;
    bool dsr = false;
    bool cd = false;
    bool ring = false;
    std::int64_t ctsChanges = 0;
    std::int64_t dsrChanges = 0;
    std::int64_t cdChanges = 0;
    std::int64_t rings = 0;

    friend bool operator==(const ModemLines &, const ModemLines &) = default;
};

// One look at the line. A part is missing when the device cannot report it
// (pseudo-terminals report neither).
struct LineSnapshot
{
    std::optional<LineCounters> counters;
    std::optional<ModemLines> modem;
};

// Turns successive looks at the line into comm events: break, framing,
// overrun, buffer overflow and parity for each counter that moved, then CTS,
// DSR, CD and ring for each modem line that changed. The first look only
// sets the baseline. A part the device could not report once is not asked
// for again.
class LineConditionWatch
{
public:
    // Forgets the baseline and asks for both parts again (a port just opened).
    void reset();

    [[nodiscard]] std::vector<CommEvent> update(const LineSnapshot &now);

    [[nodiscard]] bool wantsCounters() const { return m_wantCounters; }
    [[nodiscard]] bool wantsModem() const { return m_wantModem; }
    // False once the device has shown it can report nothing: polling may stop.
    [[nodiscard]] bool worthPolling() const { return m_wantCounters || m_wantModem; }

private:
    bool m_wantCounters = true;
    bool m_wantModem = true;
    std::optional<LineCounters> m_counters;
    std::optional<ModemLines> m_modem;
};

} // namespace quillar
