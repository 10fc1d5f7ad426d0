#include "text_finder.h"

#include "display_buffer.h"
#include "platform/codepage.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace quillar {

TextFinder::TextFinder(DisplayBuffer &buffer, QObject *parent) : QObject(parent), m_buffer(buffer)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (work())
            schedule(0);
    });
    connect(&m_buffer, &DisplayBuffer::textChanged, this, &TextFinder::textChanged);
    // The text shows otherwise: the same text is found again, from the match held.
    connect(&m_buffer, &DisplayBuffer::showChoicesChanged, this, [this] {
        if (!m_pattern.isEmpty())
            find(m_pattern, m_matchCase, current().value_or(0));
    });
    m_seenRemoved = m_buffer.removedCount();
    resetCount();
}

void TextFinder::find(const QString &pattern, bool matchCase, qsizetype from)
{
    m_pattern = pattern;
    m_matchCase = matchCase;
    m_matcher = QStringMatcher(pattern, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    for (int b = 0; b < 256; ++b) {
        const QChar ch = byteToChar(std::uint8_t(b));
        m_fold[std::size_t(b)] = matchCase ? std::uint8_t(b) : charToByte(ch.toCaseFolded()).value_or(std::uint8_t(b));
    }
    m_needle.clear();
    for (const QChar ch : pattern) {
        const std::optional<std::uint8_t> byte = charToByte(ch);
        if (!byte) { // not a character the display can hold: no match anywhere
            m_needle.clear();
            break;
        }
        m_needle += char(m_fold[*byte]);
    }
    // With UTF-8 on, bytes not the text's own may show it: a character
    // beyond ASCII, or, with case ignored, the Kelvin sign and long s that
    // fold to k and s.
    const bool ascii = std::all_of(pattern.cbegin(), pattern.cend(), [](QChar c) { return c.unicode() < 0x80; });
    const bool folds = !matchCase && pattern.contains(QRegularExpression(QStringLiteral("[ksKS]")));
    m_firstBytes.clear();
    for (int b = 0; b < 256 && !m_needle.isEmpty(); ++b) {
        if (m_fold[std::size_t(b)] == std::uint8_t(m_needle[0]))
            m_firstBytes += char(b);
    }
    m_bytesTell = !m_needle.isEmpty() && (!m_buffer.showChoices().utf8 || (ascii && !folds));
    m_current.reset();
    m_seek.reset();
    m_timer.stop();
    resetCount();
    if (!active()) {
        emit countChanged();
        emit currentChanged();
        return;
    }
    startSeek(true, from);
}

void TextFinder::next(qsizetype from)
{
    if (active())
        startSeek(true, from);
}

void TextFinder::previous(qsizetype before)
{
    if (active())
        startSeek(false, before);
}

std::optional<qsizetype> TextFinder::current() const
{
    if (!m_current)
        return std::nullopt;
    return qsizetype(*m_current - m_buffer.removedCount());
}

bool TextFinder::shown() const
{
    return m_buffer.showsOtherwise();
}

qsizetype TextFinder::reach() const
{
    if (!active())
        return 0;
    // A shown character stands for at most a marker of each of four bytes.
    return shown() ? m_pattern.size() * 16 + TerminalDecoder::MaxSequence * 4 : m_needle.size();
}

qsizetype TextFinder::lastStart() const
{
    if (shown())
        return m_buffer.length();
    return std::max<qsizetype>(0, m_buffer.length() - m_needle.size() + 1);
}

bool TextFinder::counted() const
{
    return !active() || m_countedTo >= m_buffer.removedCount() + lastStart();
}

bool TextFinder::matchesAt(qsizetype position) const
{
    for (qsizetype k = 0; k < m_needle.size(); ++k) {
        if (m_fold[static_cast<unsigned char>(m_buffer.byteAt(position + k))]
            != static_cast<unsigned char>(m_needle[k]))
            return false;
    }
    return true;
}

bool TextFinder::holdsNeedle(QByteArrayView bytes) const
{
    const qsizetype m = m_needle.size();
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *needle = reinterpret_cast<const unsigned char *>(m_needle.constData());
    // Each byte that folds to the needle's first is looked for at memchr's
    // pace; most lines hold none of them.
    for (const char first : m_firstBytes) {
        for (const void *found = std::memchr(p, std::uint8_t(first), std::size_t(bytes.size())); found;) {
            const auto i = static_cast<const unsigned char *>(found) - p;
            if (i + m > bytes.size())
                break;
            qsizetype k = 1;
            while (k < m && m_fold[p[i + k]] == needle[k])
                ++k;
            if (k == m)
                return true;
            found = std::memchr(p + i + 1, std::uint8_t(first), std::size_t(bytes.size() - i - 1));
        }
    }
    return false;
}

template <typename Visit>
void TextFinder::scanShown(qsizetype from, qsizetype to, Visit &&visit) const
{
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, lastStart());
    if (from >= to || m_pattern.isEmpty())
        return;
    const Qt::CaseSensitivity sensitivity = m_matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const qsizetype last = m_buffer.lineOfPosition(to - 1);
    std::vector<std::size_t> cellOf; // the cell of each unit of the shown text
    QByteArray bytes;
    for (qsizetype line = m_buffer.lineOfPosition(from); line <= last; ++line) {
        const qsizetype start = m_buffer.lineStart(line);
        if (m_bytesTell) {
            m_buffer.shownBytes(line, bytes);
            if (!holdsNeedle(bytes))
                continue;
        }
        // Most lines hold no match: their text alone tells.
        if (m_matcher.indexIn(m_buffer.shownLineText(line)) < 0)
            continue;
        const ShownLine shownLine = m_buffer.decodedLine(line);
        const QString text = shownLine.text();
        cellOf.clear();
        for (std::size_t c = 0; c < shownLine.cells.size(); ++c)
            cellOf.insert(cellOf.end(), shownLine.cells[c].code > 0xFFFF ? 2 : 1, c);
        for (qsizetype k = text.indexOf(m_pattern, 0, sensitivity); k >= 0;
             k = text.indexOf(m_pattern, k + 1, sensitivity)) {
            const qsizetype at = start + shownLine.cells[cellOf[std::size_t(k)]].from;
            const qsizetype end = start + shownLine.cells[cellOf[std::size_t(k + m_pattern.size() - 1)]].to;
            if (at >= to)
                return;
            if (at >= from && !visit(at, end - at))
                return;
        }
    }
}

template <typename Visit>
void TextFinder::scan(qsizetype from, qsizetype to, Visit &&visit) const
{
    if (shown()) {
        scanShown(from, to, visit);
        return;
    }
    const qsizetype m = m_needle.size();
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, lastStart());
    if (m == 0 || from >= to)
        return;
    const auto *needle = reinterpret_cast<const unsigned char *>(m_needle.constData());
    const unsigned char first = needle[0];
    const auto &fold = m_fold;
    bool going = true;
    m_buffer.blocks().forEachPiece(from, to, [&, at = from](const char *bytes, qsizetype n) mutable {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes);
        for (qsizetype i = 0; going && i < n; ++i) {
            if (m_matchCase) {
                const void *found = std::memchr(p + i, first, std::size_t(n - i));
                if (!found)
                    break;
                i = static_cast<const unsigned char *>(found) - p;
            } else if (fold[p[i]] != first) {
                continue;
            }
            bool same = true;
            if (n - i >= m) { // the whole match within this block
                for (qsizetype k = 1; same && k < m; ++k)
                    same = fold[p[i + k]] == needle[k];
            } else {
                same = matchesAt(at + i);
            }
            if (same)
                going = visit(at + i, m);
        }
        at += n;
    });
}

void TextFinder::matchesIn(qsizetype from, qsizetype to, const std::function<void(qsizetype, qsizetype)> &visit) const
{
    scan(from, to, [&](qsizetype at, qsizetype length) {
        visit(at, length);
        return true;
    });
}

bool TextFinder::work(qsizetype budget)
{
    // Lines read as shown cost a few times the plain scan, and many times
    // where they hold the text and are decoded whole.
    if (shown())
        budget = std::max<qsizetype>(budget / 16, 1);
    if (m_seek)
        seekSlice(budget);
    else if (!counted())
        countSlice(budget);
    return m_seek || !counted();
}

void TextFinder::startSeek(bool forward, qsizetype origin)
{
    const qint64 removed = m_buffer.removedCount();
    const qint64 at = removed + std::clamp<qsizetype>(origin, 0, m_buffer.length());
    m_seek = Seek{forward, at, at, false};
    // The first slice at once: a short text answers before the key is let go.
    if (work())
        schedule(0);
}

void TextFinder::seekSlice(qsizetype budget)
{
    const qint64 removed = m_buffer.removedCount();
    const qint64 end = removed + lastStart();
    Seek &s = *m_seek;
    std::optional<qint64> found;
    qsizetype foundLength = 0;
    bool more = true;
    // Up to the budget, across the wrap: a short text answers at once.
    while (!found && more && budget > 0) {
        if (s.forward) {
            const qint64 limit = s.wrapped ? std::min(s.origin, end) : end;
            const qint64 to = std::min(limit, s.at + budget);
            scan(s.at - removed, to - removed, [&](qsizetype at, qsizetype length) {
                found = at + removed;
                foundLength = length;
                return false;
            });
            budget -= std::max<qint64>(to - s.at, 1);
            s.at = to;
            more = s.at < limit || !s.wrapped;
            if (!found && s.at >= limit && !s.wrapped) {
                s.wrapped = true;
                s.at = removed;
            }
        } else {
            const qint64 limit = s.wrapped ? std::max(s.origin, removed) : removed;
            const qint64 from = std::max(limit, s.at - budget);
            scan(from - removed, s.at - removed, [&](qsizetype at, qsizetype length) {
                found = at + removed;
                foundLength = length;
                return true; // the last one in the stretch
            });
            budget -= std::max<qint64>(s.at - from, 1);
            s.at = from;
            more = s.at > limit || !s.wrapped;
            if (!found && s.at <= limit && !s.wrapped) {
                s.wrapped = true;
                s.at = end;
            }
        }
    }
    if (!found && more)
        return;
    m_current = found;
    m_currentLength = foundLength;
    m_seek.reset();
    emit currentChanged();
    emit countChanged();
}

void TextFinder::countSlice(qsizetype budget)
{
    const qint64 removed = m_buffer.removedCount();
    const qint64 from = std::max(m_countedTo, removed);
    const qint64 to = std::min(removed + lastStart(), from + budget);
    scan(from - removed, to - removed, [&](qsizetype at, qsizetype) {
        const qint64 chunk = (at + removed) / ChunkSize;
        if (m_chunks.empty())
            m_firstChunk = chunk;
        while (m_firstChunk + qint64(m_chunks.size()) <= chunk)
            m_chunks.push_back(0);
        ++m_chunks[std::size_t(chunk - m_firstChunk)];
        ++m_total;
        return true;
    });
    m_countedTo = std::max(m_countedTo, to);
    m_countedOnce = m_countedOnce || counted();
    emit countChanged();
}

std::optional<qint64> TextFinder::currentNumber() const
{
    if (!m_current || *m_current >= m_countedTo)
        return std::nullopt;
    const qint64 removed = m_buffer.removedCount();
    const qint64 chunk = *m_current / ChunkSize;
    qint64 number = 1;
    for (qint64 i = 0; i < chunk - m_firstChunk && i < qint64(m_chunks.size()); ++i)
        number += m_chunks[std::size_t(i)];
    const qint64 from = std::max(removed, chunk * ChunkSize);
    scan(from - removed, *m_current - removed, [&](qsizetype, qsizetype) {
        ++number;
        return true;
    });
    return number;
}

QString TextFinder::status() const
{
    if (m_pattern.isEmpty())
        return {};
    const bool whole = m_countedOnce || counted();
    if (!active() || (whole && m_total == 0 && !m_seek))
        return QStringLiteral("Nessuna occorrenza");
    if (m_total == 0 || (m_seek && !m_current))
        return QStringLiteral("Ricerca\u2026");
    const QString total = QString::number(m_total) + (whole ? QString() : QStringLiteral("+"));
    if (const std::optional<qint64> number = currentNumber())
        return QStringLiteral("%1 di %2").arg(*number).arg(total);
    return whole && m_total == 1 ? QStringLiteral("1 occorrenza") : QStringLiteral("%1 occorrenze").arg(total);
}

void TextFinder::textChanged()
{
    const qint64 removed = m_buffer.removedCount();
    if (removed != m_seenRemoved) {
        m_seenRemoved = removed;
        // Matches cut from the front go, with the stretches that held them.
        const qint64 firstKept = removed / ChunkSize;
        while (!m_chunks.empty() && m_firstChunk < firstKept) {
            m_total -= m_chunks.front();
            m_chunks.pop_front();
            ++m_firstChunk;
        }
        if (m_chunks.empty()) {
            m_firstChunk = firstKept;
        } else if (m_firstChunk == firstKept) {
            // The first stretch lost its front: what is left of it is counted again.
            quint32 left = 0;
            const qint64 end = std::min((firstKept + 1) * ChunkSize, m_countedTo);
            scan(0, end - removed, [&](qsizetype, qsizetype) {
                ++left;
                return true;
            });
            m_total += qint64(left) - qint64(m_chunks.front());
            m_chunks.front() = left;
        }
        m_countedTo = std::max(m_countedTo, removed);
        if (m_current && *m_current < removed)
            m_current.reset();
        if (m_seek) {
            m_seek->origin = std::max(m_seek->origin, removed);
            m_seek->at = std::max(m_seek->at, removed);
        }
        emit countChanged();
    }
    // A search or a count under way goes on at once; new text waits a frame.
    if (active() && !m_timer.isActive())
        schedule(CatchUpMs);
}

void TextFinder::schedule(int ms)
{
    if (!m_timer.isActive() || ms < m_timer.remainingTime())
        m_timer.start(ms);
}

void TextFinder::resetCount()
{
    const qint64 removed = m_buffer.removedCount();
    m_chunks.clear();
    m_firstChunk = removed / ChunkSize;
    m_countedTo = removed;
    m_total = 0;
    m_countedOnce = false;
}

} // namespace quillar
