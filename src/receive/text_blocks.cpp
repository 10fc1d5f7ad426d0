#include "text_blocks.h"

#include "platform/codepage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quillar {

const QChar *windows1252Table()
{
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t;
        for (int b = 0; b < 256; ++b)
            t[std::size_t(b)] = byteToChar(static_cast<std::uint8_t>(b));
        return t;
    }();
    return table.data();
}

namespace {

// Bits from..from+n of source (none: zeros) to at..at+n of target, a word
// at a time.
void copyBits(quint64 *target, qsizetype at, const quint64 *source, qsizetype from, qsizetype n)
{
    while (n > 0) {
        const int offset = int(at & 63);
        const qsizetype take = std::min<qsizetype>(n, 64 - offset);
        quint64 bits = 0;
        if (source) {
            const int sourceOffset = int(from & 63);
            bits = source[from >> 6] >> sourceOffset;
            if (sourceOffset + take > 64)
                bits |= source[(from >> 6) + 1] << (64 - sourceOffset);
        }
        const quint64 mask = take == 64 ? ~quint64(0) : (quint64(1) << take) - 1;
        quint64 &word = target[at >> 6];
        word = (word & ~(mask << offset)) | ((bits & mask) << offset);
        at += take;
        from += take;
        n -= take;
    }
}

} // namespace

TextSlice TextSlice::mid(qsizetype from, qsizetype count) const
{
    from = std::clamp<qsizetype>(from, 0, m_size);
    count = std::clamp<qsizetype>(count, 0, m_size - from);
    TextSlice part;
    const qsizetype start = m_offset + from;
    const auto first = static_cast<std::size_t>(start >> TextBlock::Bits);
    const auto last = static_cast<std::size_t>((start + std::max<qsizetype>(count, 1) - 1) >> TextBlock::Bits);
    if (count > 0)
        part.m_blocks.assign(m_blocks.begin() + qsizetype(first), m_blocks.begin() + qsizetype(last) + 1);
    part.m_offset = start & (TextBlock::Size - 1);
    part.m_size = count;
    return part;
}

QString TextSlice::toString() const
{
    QString text(m_size, Qt::Uninitialized);
    QChar *out = text.data();
    const QChar *table = windows1252Table();
    forEachPiece([&](const char *bytes, qsizetype n) {
        for (qsizetype i = 0; i < n; ++i)
            *out++ = table[static_cast<unsigned char>(bytes[i])];
    });
    return text;
}

QByteArray TextSlice::toUtf8() const
{
    // Mostly ASCII (markers, hex codes, text): a byte each.
    QByteArray utf8;
    utf8.reserve(m_size);
    const QChar *table = windows1252Table();
    forEachPiece([&](const char *bytes, qsizetype n) {
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b < 0x80) {
                utf8 += char(b);
                continue;
            }
            const char16_t u = table[b].unicode();
            if (u < 0x800) {
                utf8 += char(0xC0 | (u >> 6));
            } else {
                utf8 += char(0xE0 | (u >> 12));
                utf8 += char(0x80 | ((u >> 6) & 0x3F));
            }
            utf8 += char(0x80 | (u & 0x3F));
        }
    });
    return utf8;
}

void TextBlocks::append(const char *bytes, qsizetype count, const quint64 *markers)
{
    qsizetype done = 0;
    while (count > 0) {
        const qsizetype used = (m_front + m_size) & (TextBlock::Size - 1);
        if (used == 0 && qsizetype(m_blocks.size()) * TextBlock::Size == m_front + m_size)
            m_blocks.push_back(std::make_shared_for_overwrite<TextBlock>());
        const qsizetype n = std::min(count, TextBlock::Size - used);
        TextBlock &block = *m_blocks.back();
        std::memcpy(block.bytes + used, bytes, std::size_t(n));
        copyBits(block.markers, used, markers, done, n);
        done += n;
        m_size += n;
        bytes += n;
        count -= n;
    }
}

void TextBlocks::removeFront(qsizetype count)
{
    count = std::min(count, m_size);
    m_front += count;
    m_size -= count;
    while (m_front >= TextBlock::Size) {
        m_blocks.pop_front();
        m_front -= TextBlock::Size;
    }
    if (m_size == 0 && m_blocks.size() <= 1 && m_front > 0) {
        // Nothing left: start again at the front of a block.
        m_blocks.clear();
        m_front = 0;
    }
}

void TextBlocks::clear()
{
    m_blocks.clear();
    m_front = 0;
    m_size = 0;
}

TextSlice TextBlocks::slice(qsizetype from, qsizetype to) const
{
    from = std::clamp<qsizetype>(from, 0, m_size);
    to = std::clamp<qsizetype>(to, from, m_size);
    TextSlice s;
    if (to == from)
        return s;
    const qsizetype start = from + m_front;
    const auto first = std::size_t(start >> TextBlock::Bits);
    const auto last = std::size_t((to + m_front - 1) >> TextBlock::Bits);
    s.m_blocks.assign(m_blocks.begin() + qsizetype(first), m_blocks.begin() + qsizetype(last) + 1);
    s.m_offset = start & (TextBlock::Size - 1);
    s.m_size = to - from;
    return s;
}

void TextBlocks::decode(qsizetype from, qsizetype count, QChar *out) const
{
    const QChar *table = windows1252Table();
    forEachPiece(from, from + count, [&](const char *bytes, qsizetype n) {
        for (qsizetype i = 0; i < n; ++i)
            *out++ = table[static_cast<unsigned char>(bytes[i])];
    });
}

} // namespace quillar
