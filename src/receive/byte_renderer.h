#pragma once

#include "platform/stamped_bytes.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

namespace quillar {

// Renders received bytes as display text. A byte strictly between the lower
// and the higher bound (compared as real numbers) is its own character in the
// program's code page; otherwise 13 is "[CR]", 10 is "[LF]" (followed by CR LF
// when lines break on each line feed) and any other byte is "[XX]" in
// upper-case hexadecimal.
//
// The bounds and the line-feed rule cannot change within one read, so the
// text of all 256 bytes is worked out once and each read is a table copy.
class ByteRenderer
{
public:
    ByteRenderer(double lowerBound, double higherBound, bool breakOnLineFeed);

    // From the texts of the boxes: lower bound (Text4), higher bound (Text2)
    // and line-feed time (Text1), whose value exactly 0 means a line break on
    // each line feed.
    [[nodiscard]] static ByteRenderer fromBoxes(QStringView lowerBound, QStringView higherBound,
                                                QStringView lineFeedTime);

    // The text of one byte.
    [[nodiscard]] QStringView piece(std::uint8_t byte) const;
    // The text of a whole read, built in one pre-sized string; with markers,
    // also a bit for each of its characters that opens a byte's marker (see
    // TextBlock).
    [[nodiscard]] QString render(QByteArrayView bytes, std::vector<quint64> *markers = nullptr) const;
    // The marks of the bytes' times, moved onto the text render makes of
    // them: each to the first character of its byte.
    [[nodiscard]] TimeMarks textMarks(QByteArrayView bytes, const TimeMarks &byteMarks) const;

private:
    // The longest piece is "[LF]" CR LF; a slot is padded so that every piece
    // can be copied with one fixed-size move.
    static constexpr int SlotSize = 8;
    struct Piece
    {
        std::array<char16_t, SlotSize> chars{};
        std::uint8_t length = 0;
        bool marker = false;
    };

    std::array<Piece, 256> m_pieces;
};

} // namespace quillar
