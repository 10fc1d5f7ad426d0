#pragma once

#include "platform/stamped_bytes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <deque>

namespace quillar {

// What a device has read and the program has not taken yet, front first,
// each read with its time. Taking leaves the rest where it is; the taken
// front is dropped once it is large and more than half of what is kept, so
// a busy line moves few bytes.
class HeldBytes
{
public:
    [[nodiscard]] qsizetype size() const { return m_bytes.size() - m_taken; }

    // Room for up to `most` bytes at the end, to read into; then commit
    // with how many were read (none at all, too) and when.
    [[nodiscard]] char *reserve(qsizetype most);
    void commit(qsizetype count, qint64 ms);
    void append(QByteArrayView bytes, qint64 ms);

    // Up to max bytes from the front, with the times of the reads they
    // came in.
    [[nodiscard]] StampedBytes take(qsizetype max);
    // The first max bytes, left where they are.
    [[nodiscard]] QByteArrayView front(qsizetype max) const;
    void clear();

private:
    void dropTaken();

    QByteArray m_bytes;
    qsizetype m_taken = 0;
    qsizetype m_reserved = -1; // where reserve's room begins
    // Offsets into m_bytes; the first is at or before m_taken.
    std::deque<TimeMark> m_marks;
};

} // namespace quillar
