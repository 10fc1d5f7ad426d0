#include "sample_ring.h"

#include <algorithm>

namespace quillar {

qsizetype SampleRing::capacity() const
{
    qsizetype total = 0;
    for (const auto &chunk : m_chunks)
        total += qsizetype(chunk.capacity());
    return total;
}

// While the ring fills, slot n holds sample n.
void SampleRing::append(const Sample &sample)
{
    if (m_size % ChunkSize == 0) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(std::size_t(std::min(ChunkSize, m_limit - m_size)));
    }
    m_chunks.back().push_back(sample);
    ++m_size;
}

void SampleRing::push(const Sample &sample)
{
    if (m_size < m_limit) {
        append(sample);
    } else {
        Sample &oldest = slot(m_head);
        if (oldest.value <= m_min || oldest.value >= m_max)
            m_extremesStale = true;
        oldest = sample;
        m_head = (m_head + 1) % m_limit;
    }
    if (m_size == 1) {
        m_min = m_max = sample.value;
    } else if (!m_extremesStale) {
        m_min = std::min(m_min, sample.value);
        m_max = std::max(m_max, sample.value);
    }
}

void SampleRing::setLimit(qsizetype limit)
{
    limit = std::max<qsizetype>(limit, 1);
    SampleRing kept(limit);
    for (qsizetype i = m_size - std::min(limit, m_size); i < m_size; ++i)
        kept.append(at(i));
    m_chunks = std::move(kept.m_chunks);
    m_limit = limit;
    m_head = 0;
    m_size = kept.m_size;
    m_extremesStale = true;
    ++m_resets;
}

void SampleRing::clear()
{
    m_chunks = {};
    m_head = 0;
    m_size = 0;
    m_extremesStale = false;
    ++m_resets;
}

void SampleRing::rescan() const
{
    if (!m_extremesStale || m_size == 0)
        return;
    m_min = m_max = at(0).value;
    for (qsizetype i = 1; i < m_size; ++i) {
        m_min = std::min(m_min, at(i).value);
        m_max = std::max(m_max, at(i).value);
    }
    m_extremesStale = false;
}

double SampleRing::minimum() const
{
    rescan();
    return m_min;
}

double SampleRing::maximum() const
{
    rescan();
    return m_max;
}

} // namespace quillar
