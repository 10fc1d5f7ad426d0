#include "line_conditions.h"

namespace quillar {

void LineConditionWatch::reset()
{
    *this = LineConditionWatch();
}

std::vector<CommEvent> LineConditionWatch::update(const LineSnapshot &now)
{
    std::vector<CommEvent> events;

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
                    events.push_back(CommEvent::Break);
                if (a.frame != b.frame)
                    events.push_back(CommEvent::Frame);
                if (a.overrun != b.overrun)
                    events.push_back(CommEvent::Overrun);
                if (a.bufferOverrun != b.bufferOverrun)
                    events.push_back(CommEvent::RxOver);
                if (a.parity != b.parity)
                    events.push_back(CommEvent::RxParity);
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
                if (a.cts != b.cts || a.ctsChanges != b.ctsChanges)
                    events.push_back(CommEvent::Cts);
                if (a.dsr != b.dsr || a.dsrChanges != b.dsrChanges)
                    events.push_back(CommEvent::Dsr);
                if (a.cd != b.cd || a.cdChanges != b.cdChanges)
                    events.push_back(CommEvent::Cd);
                if (a.ring != b.ring || a.rings != b.rings)
                    events.push_back(CommEvent::Ring);
            }
            m_modem = now.modem;
        }
    }

    return events;
}

} // namespace quillar
