#include "numeric_value.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace quillar {

namespace {

bool isIgnored(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Walks the text and hands out the characters that count, skipping the
// ignored ones.
class Reader
{
public:
    explicit Reader(QStringView text) : m_text(text) { skip(); }

    [[nodiscard]] bool atEnd() const { return m_pos >= m_text.size(); }
    [[nodiscard]] QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    void advance()
    {
        ++m_pos;
        skip();
    }

private:
    void skip()
    {
        while (!atEnd() && isIgnored(m_text[m_pos]))
            ++m_pos;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// Exponents beyond this decide overflow or underflow on their own; capping
// them keeps the exponent's digits from overflowing an integer.
constexpr std::int64_t ExponentCap = 1'000'000'000;

} // namespace

double NumericValue(QStringView text) noexcept
{
    Reader in(text);

    bool negative = false;
    if (in.peek() == QLatin1Char('+') || in.peek() == QLatin1Char('-')) {
        negative = in.peek() == QLatin1Char('-');
        in.advance();
    }

    // The mantissa's digits without leading zeros, and the power of ten of the
    // first of them relative to the decimal point, for deciding overflow.
    std::string mantissa;
    std::int64_t integerDigits = 0; // significant digits before the point
    std::int64_t leadingFractionZeros = 0;
    bool anyDigit = false;
    bool seenPoint = false;
    for (;;) {
        const QChar c = in.peek();
        if (isDigit(c)) {
            anyDigit = true;
            if (mantissa.empty() && c == QLatin1Char('0')) {
                if (seenPoint)
                    ++leadingFractionZeros;
            } else {
                mantissa.push_back(static_cast<char>(c.unicode()));
                if (!seenPoint)
                    ++integerDigits;
            }
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        in.advance();
    }
    if (!anyDigit || mantissa.empty())
        return 0.0;

    std::int64_t exponent = 0;
    if (in.peek() == QLatin1Char('e') || in.peek() == QLatin1Char('E')) {
        in.advance();
        bool negativeExponent = false;
        if (in.peek() == QLatin1Char('+') || in.peek() == QLatin1Char('-')) {
            negativeExponent = in.peek() == QLatin1Char('-');
            in.advance();
        }
        if (isDigit(in.peek())) {
            while (isDigit(in.peek())) {
                if (exponent < ExponentCap)
                    exponent = exponent * 10 + (in.peek().unicode() - u'0');
                in.advance();
            }
            if (negativeExponent)
                exponent = -exponent;
        }
        // "1e" and "1e+": with no digits the marker adds nothing, and reading
        // ends there.
    }

    // The digits as one integer d1 d2 ... dn, scaled so that the value is
    // 0.d1d2...dn times ten to the power of decimalExponent.
    const std::int64_t decimalExponent = (integerDigits > 0 ? integerDigits : -leadingFractionZeros) + exponent;
    std::string number = "0.";
    number += mantissa;
    number += 'e';
    number += std::to_string(decimalExponent);

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = decimalExponent > 0 ? std::numeric_limits<double>::max() : 0.0;
    else if (result.ec != std::errc())
        value = 0.0; // cannot happen with the text built above
    return negative ? -value : value;
}

} // namespace quillar
