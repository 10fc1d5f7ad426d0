#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

namespace quillar {

// Every character the display can hold is one byte of Windows-1252
// (platform/codepage.h), so its text is kept as those bytes: half what the
// same text costs as a QString, for a scrollback of a hundred million
// characters.
//
// Beside each character one bit says whether it is the '[' that opens the
// marker of a received byte ("[1B]", "[CR]"), not a '[' received as itself:
// the display's choices read the bytes back from the text with it.
struct TextBlock
{
    static constexpr int Bits = 16;
    static constexpr qsizetype Size = qsizetype(1) << Bits;
    char bytes[Size];
    quint64 markers[Size / 64];
};

// A stretch of the text that stays as it was whatever the display does
// after: it shares the blocks it covers, which the display only ever adds to
// at their end. Copy, the selection clipboard and the screen reader's last
// look hold one without copying the characters.
class TextSlice
{
public:
    TextSlice() = default;

    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] bool isEmpty() const { return m_size == 0; }
    // The part from..from+count, clamped.
    [[nodiscard]] TextSlice mid(qsizetype from, qsizetype count) const;

    // Calls piece(const char *bytes, qsizetype count) for each contiguous run
    // of bytes, in order.
    template <typename Piece>
    void forEachPiece(Piece &&piece) const
    {
        qsizetype offset = m_offset;
        qsizetype left = m_size;
        for (const auto &block : m_blocks) {
            if (left == 0)
                break;
            const qsizetype n = std::min(left, TextBlock::Size - offset);
            piece(block->bytes + offset, n);
            left -= n;
            offset = 0;
        }
    }

    [[nodiscard]] QString toString() const;
    [[nodiscard]] QByteArray toUtf8() const;

private:
    friend class TextBlocks;
    std::vector<std::shared_ptr<const TextBlock>> m_blocks;
    qsizetype m_offset = 0; // into the first block
    qsizetype m_size = 0;
};

// The text as a queue of blocks: appended at the end, dropped from the front
// a block at a time, any character found in constant time.
class TextBlocks
{
public:
    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] char at(qsizetype pos) const
    {
        const qsizetype p = pos + m_front;
        return m_blocks[static_cast<std::size_t>(p >> TextBlock::Bits)]->bytes[p & (TextBlock::Size - 1)];
    }

    // markers: a bit for each character, or nullptr for none.
    void append(const char *bytes, qsizetype count, const quint64 *markers = nullptr);
    [[nodiscard]] bool isMarker(qsizetype pos) const
    {
        const qsizetype p = pos + m_front;
        const qsizetype within = p & (TextBlock::Size - 1);
        return (m_blocks[static_cast<std::size_t>(p >> TextBlock::Bits)]->markers[within >> 6] >> (within & 63)) & 1;
    }
    void removeFront(qsizetype count);
    void clear();

    // Calls piece(const char *bytes, qsizetype count) for the contiguous runs
    // of from..to, in order.
    template <typename Piece>
    void forEachPiece(qsizetype from, qsizetype to, Piece &&piece) const
    {
        qsizetype p = from + m_front;
        const qsizetype end = to + m_front;
        while (p < end) {
            const qsizetype within = p & (TextBlock::Size - 1);
            const qsizetype n = std::min(end - p, TextBlock::Size - within);
            piece(m_blocks[static_cast<std::size_t>(p >> TextBlock::Bits)]->bytes + within, n);
            p += n;
        }
    }

    [[nodiscard]] TextSlice slice(qsizetype from, qsizetype to) const;
    // Characters from..from+count, decoded into out.
    void decode(qsizetype from, qsizetype count, QChar *out) const;

private:
    std::deque<std::shared_ptr<TextBlock>> m_blocks;
    qsizetype m_front = 0; // where the text starts in the first block
    qsizetype m_size = 0;
};

// The display's character for each byte, as byteToChar gives it.
[[nodiscard]] const QChar *windows1252Table();

} // namespace quillar
