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

// From `offset` on, up to the next mark, the bytes came from side `side`
// (0 or 1) of a pair of ports.
struct SideMark
{
    qsizetype offset = 0;
    int side = 0;
    friend bool operator==(const SideMark &, const SideMark &) = default;
};

// Ascending offsets, the first at 0; none for bytes of a single port.
using SideMarks = std::vector<SideMark>;

// Received bytes with the times of the reads that brought them: a chunk
// handed over may hold several reads; and, from a pair, their sides.
struct StampedBytes
{
    QByteArray bytes;
    TimeMarks marks;
    SideMarks sides = {}; // none: every byte from the one port
};

// The marks of the bytes from..to of a chunk, counted from `from`: each
// part of a read keeps its time and side.
[[nodiscard]] TimeMarks marksBetween(const TimeMarks &marks, qsizetype from, qsizetype to);
[[nodiscard]] StampedBytes stampedBetween(const StampedBytes &input, qsizetype from, qsizetype to);

} // namespace quillar
