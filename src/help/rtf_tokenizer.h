#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace quillar {

struct RtfToken
{
    enum class Kind {
        GroupStart,
        GroupEnd,
        ControlWord,   // \name with an optional parameter
        ControlSymbol, // \ followed by one non-letter, e.g. \~ or \{
        HexByte,       // \'hh
        Text,          // a run of plain bytes (CR and LF already dropped)
        End,
    };

    Kind kind = Kind::End;
    QByteArrayView word; // ControlWord: the name; Text: the bytes
    bool hasParameter = false;
    std::int32_t parameter = 0; // clamped into the 32-bit range
    char symbol = 0;            // ControlSymbol
    std::uint8_t byte = 0;      // HexByte
};

// The value of one hexadecimal digit, or -1; \'hh escapes and picture data
// share it.
[[nodiscard]] int rtfHexValue(char c);

// Splits RTF bytes into tokens. It never fails: every byte of any input ends up
// in some token, and End repeats once the input is used up.
class RtfTokenizer
{
public:
    explicit RtfTokenizer(QByteArrayView input) : m_input(input) { }

    [[nodiscard]] RtfToken next();

    // Raw bytes after \binN: at most n, fewer when the input ends first.
    [[nodiscard]] QByteArrayView takeBinary(std::int64_t n);

    [[nodiscard]] bool atEnd() const { return m_pos >= m_input.size(); }

private:
    RtfToken controlSequence();

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};

} // namespace quillar
