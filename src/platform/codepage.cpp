#include "codepage.h"

#include <array>

namespace quillar {

namespace {
// 0x80..0x9F; the rest of the page is Latin-1.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

QChar byteToChar(std::uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(HighControls[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

std::optional<std::uint8_t> charToByte(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<std::uint8_t>(u);
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == u)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

QString decodeBytes(const QByteArray &bytes)
{
    QString text;
    text.resize(bytes.size());
    QChar *out = text.data();
    for (const char b : bytes)
        *out++ = byteToChar(static_cast<std::uint8_t>(b));
    return text;
}

QByteArray encodeText(const QString &text)
{
    QByteArray bytes;
    bytes.resize(text.size());
    char *out = bytes.data();
    // The display's text is mostly ASCII: that needs no look-up.
    for (const QChar ch : text)
        *out++ =
            ch.unicode() < 0x80 ? static_cast<char>(ch.unicode()) : static_cast<char>(charToByte(ch).value_or('?'));
    return bytes;
}

} // namespace quillar
