// NumericValue on any text, against a reading of its rules written here:
// blanks, tabs and line feeds dropped; the longest start of the form sign?
// (digits, at most one period) (E sign? digits)? taken by strtod; no digit
// gives 0; too large, the largest double of its sign. Bytes from 0x80 stand
// for characters that look like parts of a number and are not.
#include "platform/numeric_value.h"

#include <QString>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quillar;

namespace {

constexpr char16_t LookAlikes[] = {u'\uFF10', u'\uFF15', u'\u0661', u'\u2212', u'\u00A0',
                                   u'\u3000', u'\u2009', u'\uFF0E', u'\u00B7', u'\u066B'};

double expectedValue(const QString &text)
{
    std::string s;
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s += c.unicode() < 0x80 ? char(c.unicode()) : '?';
    }
    std::size_t i = 0;
    auto digit = [&](std::size_t at) { return at < s.size() && s[at] >= '0' && s[at] <= '9'; };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool anyDigit = false;
    bool point = false;
    while (digit(i) || (i < s.size() && s[i] == '.' && !point)) {
        anyDigit = anyDigit || digit(i);
        point = point || s[i] == '.';
        ++i;
    }
    if (!anyDigit)
        return 0.0;
    std::size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (digit(j)) {
            while (digit(j))
                ++j;
            end = j;
        }
    }
    const double value = std::strtod(s.substr(0, end).c_str(), nullptr);
    if (std::isinf(value))
        return std::copysign(DBL_MAX, value);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QString text;
    for (std::size_t i = 0; i < size; ++i)
        text += data[i] < 0x80 ? QChar(data[i]) : QChar(LookAlikes[data[i] % std::size(LookAlikes)]);
    const double got = NumericValue(text);
    const double want = expectedValue(text);
    if (got != want || !std::isfinite(got)) {
        std::fprintf(stderr, "fuzz_numeric_value: \"%s\" gave %.17g, expected %.17g\n", qPrintable(text), got, want);
        std::abort();
    }
    return 0;
}
