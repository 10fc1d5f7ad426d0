#include "terminal_decoder.h"

#include <algorithm>
#include <array>
#include <span>

namespace quillar {

namespace {

// A colour given as 5;n or 2;r;g;b after a 38 or 48 at params[at]; moves at
// past it. False when the form is not one of those.
bool extendedColour(std::span<const int> params, std::size_t &at, quint32 &colour)
{
    const std::size_t left = params.size() - at - 1;
    if (left >= 2 && params[at + 1] == 5 && params[at + 2] <= 255) {
        colour = CellStyle::palette(params[at + 2]);
        at += 2;
        return true;
    }
    if (left >= 4 && params[at + 1] == 2 && params[at + 2] <= 255 && params[at + 3] <= 255 && params[at + 4] <= 255) {
        colour = CellStyle::rgb(params[at + 2], params[at + 3], params[at + 4]);
        at += 4;
        return true;
    }
    return false;
}

void attribute(CellStyle &style, int code)
{
    switch (code) {
    case 0:
        style = CellStyle{};
        break;
    case 1:
        style.attributes |= CellStyle::Bold;
        break;
    case 2:
        style.attributes |= CellStyle::Dim;
        break;
    case 3:
        style.attributes |= CellStyle::Italic;
        break;
    case 4:
        style.attributes |= CellStyle::Underline;
        break;
    case 7:
        style.attributes |= CellStyle::Reverse;
        break;
    case 22:
        style.attributes &= ~(CellStyle::Bold | CellStyle::Dim);
        break;
    case 23:
        style.attributes &= ~CellStyle::Italic;
        break;
    case 24:
        style.attributes &= ~CellStyle::Underline;
        break;
    case 27:
        style.attributes &= ~CellStyle::Reverse;
        break;
    case 39:
        style.foreground = CellStyle::Default;
        break;
    case 49:
        style.background = CellStyle::Default;
        break;
    default:
        if (code >= 30 && code <= 37)
            style.foreground = CellStyle::palette(code - 30);
        else if (code >= 40 && code <= 47)
            style.background = CellStyle::palette(code - 40);
        else if (code >= 90 && code <= 97)
            style.foreground = CellStyle::palette(code - 90 + 8);
        else if (code >= 100 && code <= 107)
            style.background = CellStyle::palette(code - 100 + 8);
        // Others (blink, strike-through, fonts...) have no effect here.
        break;
    }
}

} // namespace

std::optional<CellStyle> TerminalDecoder::sgrStyle(QByteArrayView params, CellStyle style)
{
    // At most one parameter a byte: no allocation for a sequence.
    if (params.size() >= MaxSequence)
        return std::nullopt;
    std::array<int, MaxSequence> values; // NOLINT: each set as it is reached
    values[0] = 0;
    std::size_t count = 1;
    for (const char b : params) {
        int &last = values[count - 1];
        if (b == ';')
            values[count++] = 0;
        else if (b >= '0' && b <= '9')
            last = std::min(last * 10 + (b - '0'), 9999);
        else
            return style;
    }
    const std::span<const int> codes(values.data(), count);
    for (std::size_t at = 0; at < codes.size(); ++at) {
        const int code = codes[at];
        if (code == 38 || code == 48) {
            quint32 &colour = code == 38 ? style.foreground : style.background;
            if (!extendedColour(codes, at, colour))
                return std::nullopt;
        } else {
            attribute(style, code);
        }
    }
    return style;
}

bool TerminalDecoder::applySgr()
{
    std::array<char, MaxSequence> params{};
    for (int i = 2; i + 1 < m_pendingCount; ++i)
        params[std::size_t(i - 2)] = char(m_pending[i].byte);
    const auto style = sgrStyle(QByteArrayView(params.data(), std::max(m_pendingCount - 3, 0)), m_style);
    if (style)
        m_style = *style;
    return style.has_value();
}

} // namespace quillar
