#include "line_conditions.h"

namespace quillar {

void LineConditionWatch::reset()
{
    *this = LineConditionWatch();
}

std::vector<std::int16_t> LineConditionWatch::update(const LineSnapshot &now)
{
    std::vector<std::int16_t> events;

    if (m_wantCounters) {
        if (!now.counters) {
            m_wantCounters = false;
            m_counters.reset();
        } else {
            if (m_counters) {
                const LineCounters &a = *m_counters;
                const LineCounters &b = *now.counters;
                // Any movement counts, also a counter that wrapped round.
                if (a.breaks != b.breaks)
                    events.push_back(1001);
                if (a.frame != b.frame)
                    events.push_back(1004);
                if (a.overrun != b.overrun)
                    events.push_back(1006);
                if (a.bufferOverrun != b.bufferOverrun)
                    events.push_back(1008);
                if (a.parity != b.parity)
                    events.push_back(1009);
            }
            m_counters = now.counters;
        }
    }

    if (m_wantModem) {
        if (!now.modem) {
            m_wantModem = false;
            m_modem.reset();
        } else {
            if (m_modem) {
                const ModemLines &a = *m_modem;
                const ModemLines &b = *now.modem;
                if (a.cts != b.cts)
                    events.push_back(3);
                if (a.dsr != b.dsr)
                    events.push_back(4);
                if (a.cd != b.cd)
                    events.push_back(5);
                if (a.ring != b.ring)
                    events.push_back(6);
            }
            m_modem = now.modem;
        }
    }

    return events;
}

} // namespace quillar
