#pragma once

#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace quillar {

// One value of a series: when its line's first byte arrived (ms since the
// epoch), the number of its line among the lines that gave numbers, and
// the value.
struct Sample
{
    qint64 ms = 0;
    qint64 number = 0;
    double value = 0;
    friend bool operator==(const Sample &, const Sample &) = default;
};

// A series' samples, oldest first, at most `limit` of them: a sample pushed
// at the limit takes the place of the oldest. Memory grows with the samples
// up to the limit and stays there. It grows a chunk at a time and never
// moves what it holds, so that no push has to copy a long series (ten
// series of an hour would copy 60 MB at once, holding the window).
class SampleRing
{
public:
    explicit SampleRing(qsizetype limit) : m_limit(std::max<qsizetype>(limit, 1)) { }

    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] bool isEmpty() const { return m_size == 0; }
    [[nodiscard]] qsizetype limit() const { return m_limit; }
    static constexpr qsizetype ChunkSize = 4096;

    // The samples memory is held for.
    [[nodiscard]] qsizetype capacity() const;
    // i from 0 (the oldest) to size() - 1.
    [[nodiscard]] const Sample &at(qsizetype i) const
    {
        return slot(m_head + i < m_limit ? m_head + i : m_head + i - m_limit);
    }
    [[nodiscard]] const Sample &latest() const { return at(m_size - 1); }

    void push(const Sample &sample);
    // Changes at each clear and limit: what was worked out from the samples
    // before is no longer theirs.
    [[nodiscard]] quint64 resets() const { return m_resets; }
    // Keeps the newest `limit` samples.
    void setLimit(qsizetype limit);
    void clear();

    // The smallest and largest value kept (none while empty).
    [[nodiscard]] double minimum() const;
    [[nodiscard]] double maximum() const;

private:
    void rescan() const;
    [[nodiscard]] const Sample &slot(qsizetype n) const
    {
        return m_chunks[std::size_t(n / ChunkSize)][std::size_t(n % ChunkSize)];
    }
    [[nodiscard]] Sample &slot(qsizetype n) { return m_chunks[std::size_t(n / ChunkSize)][std::size_t(n % ChunkSize)]; }
    void append(const Sample &sample);

    qsizetype m_limit;
    std::vector<std::vector<Sample>> m_chunks; // each ChunkSize, the last up to the limit
    qsizetype m_head = 0;                      // the oldest sample's slot once the ring is full
    qsizetype m_size = 0;
    quint64 m_resets = 0;
    // Kept as samples come; worked out again only once the one that held
    // an extreme has gone.
    mutable double m_min = 0;
    mutable double m_max = 0;
    mutable bool m_extremesStale = false;
};

} // namespace quillar
