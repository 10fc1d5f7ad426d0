#include "rtf_tokenizer.h"

#include <algorithm>
#include <limits>

namespace quillar {

namespace {
constexpr qsizetype MaxWordLength = 32; // longer names are cut, the rest skipped

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int rtfHexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfToken RtfTokenizer::next()
{
    RtfToken token;
    while (m_pos < m_input.size()) {
        const char c = m_input[m_pos];
        if (c == '{') {
            ++m_pos;
            token.kind = RtfToken::Kind::GroupStart;
            return token;
        }
        if (c == '}') {
            ++m_pos;
            token.kind = RtfToken::Kind::GroupEnd;
            return token;
        }
        if (c == '\\')
            return controlSequence();
        if (c == '\r' || c == '\n') {
            ++m_pos; // line ends in the file are not text
            continue;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_input.size()) {
            const char d = m_input[m_pos];
            if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n')
                break;
            ++m_pos;
        }
        token.kind = RtfToken::Kind::Text;
        token.word = m_input.sliced(start, m_pos - start);
        return token;
    }
    token.kind = RtfToken::Kind::End;
    return token;
}

RtfToken RtfTokenizer::controlSequence()
{
    RtfToken token;
    ++m_pos; // the backslash
    if (m_pos >= m_input.size()) {
        token.kind = RtfToken::Kind::End;
        return token;
    }
    const char c = m_input[m_pos];
    if (!isLetter(c)) {
        ++m_pos;
        if (c == '\'') {
            const int high = m_pos < m_input.size() ? rtfHexValue(m_input[m_pos]) : -1;
            const int low = m_pos + 1 < m_input.size() ? rtfHexValue(m_input[m_pos + 1]) : -1;
            if (high >= 0 && low >= 0) {
                m_pos += 2;
                token.kind = RtfToken::Kind::HexByte;
                token.byte = static_cast<std::uint8_t>(high * 16 + low);
                return token;
            }
            // A broken \' escape: shown as nothing, the following bytes stay text.
            token.kind = RtfToken::Kind::ControlSymbol;
            token.symbol = '\'';
            return token;
        }
        token.kind = RtfToken::Kind::ControlSymbol;
        token.symbol = c == '\r' ? '\n' : c; // backslash + line end means \par
        return token;
    }

    const qsizetype start = m_pos;
    while (m_pos < m_input.size() && isLetter(m_input[m_pos]))
        ++m_pos;
    token.kind = RtfToken::Kind::ControlWord;
    token.word = m_input.sliced(start, std::min(m_pos - start, MaxWordLength));

    bool negative = false;
    if (m_pos + 1 < m_input.size() && m_input[m_pos] == '-' && isDigit(m_input[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < m_input.size() && isDigit(m_input[m_pos])) {
        std::int64_t value = 0;
        constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
        while (m_pos < m_input.size() && isDigit(m_input[m_pos])) {
            if (value <= limit)
                value = value * 10 + (m_input[m_pos] - '0');
            ++m_pos;
        }
        value = std::min(value, limit);
        token.hasParameter = true;
        token.parameter = static_cast<std::int32_t>(negative ? -value : value);
    }
    if (m_pos < m_input.size() && m_input[m_pos] == ' ')
        ++m_pos; // the delimiting blank belongs to the control word
    return token;
}

QByteArrayView RtfTokenizer::takeBinary(std::int64_t n)
{
    const qsizetype available = m_input.size() - m_pos;
    const qsizetype count = n <= 0 ? 0 : static_cast<qsizetype>(std::min<std::int64_t>(n, available));
    const QByteArrayView bytes = m_input.sliced(m_pos, count);
    m_pos += count;
    return bytes;
}

} // namespace quillar
