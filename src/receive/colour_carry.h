#pragma once

#include "cell_style.h"

#include <deque>

namespace quillar {

// The terminal colours in force at the start of each line, as the lines
// before it left them: kept only where a line starts with other colours than
// the line before it, so a log that resets its colours at each line end
// costs nothing. Lines are named by their sequence numbers (LineIndex).
class ColourCarry
{
public:
    [[nodiscard]] CellStyle at(qint64 sequence) const;
    // From line sequence on (after every line set before), style holds.
    void set(qint64 sequence, const CellStyle &style);
    // Lines before firstSequence are gone.
    void dropBefore(qint64 firstSequence);
    void clear() { m_changes.clear(); }

private:
    struct Change
    {
        qint64 sequence;
        CellStyle style;
    };
    std::deque<Change> m_changes;
};

} // namespace quillar
