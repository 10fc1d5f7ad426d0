#include "byte_renderer.h"

#include "platform/numeric_value.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstring>

namespace quillar {

ByteRenderer::ByteRenderer(double lowerBound, double higherBound, bool breakOnLineFeed)
{
    static constexpr char16_t Hex[] = u"0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
        Piece &p = m_pieces[static_cast<std::size_t>(b)];
        const auto put = [&p](std::u16string_view s) {
            for (const char16_t c : s)
                p.chars[p.length++] = c;
        };
        const double value = b;
        p.marker = !(lowerBound < value && value < higherBound);
        if (!p.marker) {
            const char16_t own = byteToChar(static_cast<std::uint8_t>(b)).unicode();
            put(std::u16string_view(&own, 1));
        } else if (b == 13) {
            put(u"[CR]");
        } else if (b == 10) {
            put(u"[LF]");
            if (breakOnLineFeed)
                put(u"\r\n");
        } else {
            const char16_t hex[] = {u'[', Hex[b >> 4], Hex[b & 0xF], u']'};
            put(std::u16string_view(hex, 4));
        }
    }
}

ByteRenderer ByteRenderer::fromBoxes(QStringView lowerBound, QStringView higherBound, QStringView lineFeedTime)
{
    return ByteRenderer(NumericValue(lowerBound), NumericValue(higherBound), NumericValue(lineFeedTime) == 0.0);
}

QStringView ByteRenderer::piece(std::uint8_t byte) const
{
    const Piece &p = m_pieces[byte];
    return QStringView(p.chars.data(), p.length);
}

TimeMarks ByteRenderer::textMarks(QByteArrayView bytes, const TimeMarks &byteMarks) const
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.data());
    TimeMarks marks;
    marks.reserve(byteMarks.size());
    qsizetype at = 0;
    qsizetype characters = 0;
    for (const TimeMark &mark : byteMarks) {
        for (const qsizetype to = std::min(mark.offset, bytes.size()); at < to; ++at)
            characters += m_pieces[data[at]].length;
        marks.push_back({characters, mark.ms});
    }
    return marks;
}

QString ByteRenderer::render(QByteArrayView bytes, std::vector<quint64> *markers) const
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const qsizetype n = bytes.size();

    qsizetype total = 0;
    for (qsizetype i = 0; i < n; ++i)
        total += m_pieces[data[i]].length;

    // Every slot is copied whole; the padding after the last piece lands in
    // the spare room and is cut off at the end.
    QString text;
    text.resize(total + SlotSize);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < n; ++i) {
        const Piece &p = m_pieces[data[i]];
        std::memcpy(out, p.chars.data(), sizeof p.chars);
        out += p.length;
    }
    text.truncate(total);
    if (markers) {
        markers->assign(std::size_t(total / 64 + 1), 0);
        qsizetype at = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const Piece &p = m_pieces[data[i]];
            if (p.marker)
                (*markers)[std::size_t(at >> 6)] |= quint64(1) << (at & 63);
            at += p.length;
        }
    }
    return text;
}

} // namespace quillar
