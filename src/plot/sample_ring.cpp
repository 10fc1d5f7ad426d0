#include "sample_ring.h"

#include <algorithm>

namespace quillar {

void SampleRing::push(const Sample &sample)
{
    if (m_size < m_limit) {
        if (m_samples.size() == m_samples.capacity())
            m_samples.reserve(std::size_t(std::min(m_limit, std::max<qsizetype>(1024, 2 * m_size))));
        m_samples.push_back(sample);
        ++m_size;
    } else {
        Sample &oldest = m_samples[std::size_t(m_head)];
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
    std::vector<Sample> kept;
    const qsizetype keep = std::min(limit, m_size);
    kept.reserve(std::size_t(keep));
    for (qsizetype i = m_size - keep; i < m_size; ++i)
        kept.push_back(at(i));
    m_samples = std::move(kept);
    m_limit = limit;
    m_head = 0;
    m_size = keep;
    m_extremesStale = true;
    ++m_resets;
}

void SampleRing::clear()
{
    m_samples = {};
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
