#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace quillar {

// From `offset` on, up to the next mark, the bytes (or the text rendered
// from them) arrived at `ms`, milliseconds since the epoch: the time the
// read that brought them took them from the device.
struct TimeMark
{
    qsizetype offset = 0;
    qint64 ms = 0;
    friend bool operator==(const TimeMark &, const TimeMark &) = default;
};

// Ascending offsets, the first at 0 wherever there is something to mark.
using TimeMarks = std::vector<TimeMark>;

// The time of the element at `offset`: that of the last mark at or before
// it (the first mark's for an offset before every mark; 0 without marks).
[[nodiscard]] qint64 timeAt(const TimeMarks &marks, qsizetype offset);

// Received bytes with the times of the reads that brought them: a chunk
// handed over may hold several reads.
struct StampedBytes
{
    QByteArray bytes;
    TimeMarks marks;
};

} // namespace quillar
