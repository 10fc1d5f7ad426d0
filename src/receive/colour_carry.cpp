#include "colour_carry.h"

#include <algorithm>

namespace quillar {

CellStyle ColourCarry::at(qint64 sequence) const
{
    const auto after = std::upper_bound(m_changes.begin(), m_changes.end(), sequence,
                                        [](qint64 s, const Change &c) { return s < c.sequence; });
    return after == m_changes.begin() ? CellStyle{} : (after - 1)->style;
}

void ColourCarry::set(qint64 sequence, const CellStyle &style)
{
    while (!m_changes.empty() && m_changes.back().sequence >= sequence)
        m_changes.pop_back();
    if (at(sequence) != style)
        m_changes.push_back({sequence, style});
}

void ColourCarry::dropBefore(qint64 firstSequence)
{
    while (m_changes.size() > 1 && m_changes[1].sequence <= firstSequence)
        m_changes.pop_front();
}

} // namespace quillar
