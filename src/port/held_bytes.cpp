#include "held_bytes.h"

#include <algorithm>

namespace quillar {

namespace {
// The taken front is dropped once it is this large and more than half of
// what is kept.
constexpr qsizetype CompactFrom = 1024 * 1024;
} // namespace

char *HeldBytes::reserve(qsizetype most)
{
    m_reserved = m_bytes.size();
    m_bytes.resize(m_reserved + most);
    return m_bytes.data() + m_reserved;
}

void HeldBytes::commit(qsizetype count, qint64 ms)
{
    const qsizetype at = m_reserved;
    m_reserved = -1;
    m_bytes.resize(at + count);
    if (count > 0 && (m_marks.empty() || m_marks.back().ms != ms))
        m_marks.push_back({at, ms});
}

void HeldBytes::append(QByteArrayView bytes, qint64 ms)
{
    std::copy(bytes.begin(), bytes.end(), reserve(bytes.size()));
    commit(bytes.size(), ms);
}

StampedBytes HeldBytes::take(qsizetype max)
{
    const qsizetype n = std::clamp<qsizetype>(max, 0, size());
    StampedBytes out;
    if (n == 0)
        return out;
    out.bytes = m_bytes.mid(m_taken, n);
    const qsizetype end = m_taken + n;
    for (auto mark = m_marks.begin(); mark != m_marks.end() && mark->offset < end; ++mark)
        out.marks.push_back({std::max<qsizetype>(0, mark->offset - m_taken), mark->ms});
    m_taken = end;
    while (m_marks.size() > 1 && m_marks[1].offset <= m_taken)
        m_marks.pop_front();
    if (m_taken == m_bytes.size())
        clear();
    else if (m_taken >= CompactFrom && 2 * m_taken > m_bytes.size())
        dropTaken();
    return out;
}

QByteArrayView HeldBytes::front(qsizetype max) const
{
    return QByteArrayView(m_bytes).sliced(m_taken, std::clamp<qsizetype>(max, 0, size()));
}

void HeldBytes::clear()
{
    m_bytes.truncate(0); // keeps its capacity for the next read
    m_taken = 0;
    m_marks.clear();
}

void HeldBytes::dropTaken()
{
    m_bytes.remove(0, m_taken);
    for (TimeMark &mark : m_marks)
        mark.offset = std::max<qsizetype>(0, mark.offset - m_taken);
    m_taken = 0;
}

} // namespace quillar
