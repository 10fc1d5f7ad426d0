#include "settings_parser.h"

#include "platform/file_errors.h"
#include "platform/codepage.h"
#include "platform/rounding.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace quillar {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class FieldCursor
{
public:
    FieldCursor(QByteArrayView bytes, bool complete) : m_bytes(bytes), m_complete(complete) { }

    // The raw bytes of the next field, the separator after it consumed.
    QByteArrayView next()
    {
        while (m_pos < m_bytes.size() && isBlank(m_bytes[m_pos]))
            ++m_pos;
        if (m_pos >= m_bytes.size())
            throw pastEnd();

        QByteArrayView value;
        if (m_bytes[m_pos] == '"') {
            const qsizetype open = m_pos + 1;
            const qsizetype close = m_bytes.indexOf('"', open);
            if (close < 0) {
                // An unclosed quote runs to the end of the file.
                if (!m_complete)
                    throw fileError(ErrorNumber::Overflow);
                value = m_bytes.sliced(open);
                m_pos = m_bytes.size();
                return value;
            }
            value = m_bytes.sliced(open, close - open);
            m_pos = close + 1;
            while (m_pos < m_bytes.size() && m_bytes[m_pos] != ',' && !isLineEnd(m_bytes[m_pos]))
                ++m_pos;
        } else {
            const qsizetype start = m_pos;
            while (m_pos < m_bytes.size() && m_bytes[m_pos] != ',' && !isLineEnd(m_bytes[m_pos]))
                ++m_pos;
            if (m_pos >= m_bytes.size() && !m_complete)
                throw fileError(ErrorNumber::Overflow);
            qsizetype end = m_pos;
            while (end > start && isBlank(m_bytes[end - 1]))
                --end;
            value = m_bytes.sliced(start, end - start);
        }
        skipSeparator();
        return value;
    }

private:
    void skipSeparator()
    {
        if (m_pos >= m_bytes.size())
            return;
        const char c = m_bytes[m_pos++];
        if (c == '\r' && m_pos < m_bytes.size() && m_bytes[m_pos] == '\n')
            ++m_pos;
    }

    [[nodiscard]] NumberedError pastEnd() const
    {
        return fileError(m_complete ? ErrorNumber::InputPastEndOfFile : ErrorNumber::Overflow);
    }

    QByteArrayView m_bytes;
    bool m_complete;
    qsizetype m_pos = 0;
};

// sign? (digits [. digits?] | . digits) ([eE] sign? digits)?
bool isDecimalNumber(QByteArrayView s)
{
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(s[i]))
        ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-'))
            ++i;
        qsizetype expDigits = 0;
        while (i < n && isDigit(s[i]))
            ++i, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    return i == n;
}

// Whether a decimal number (no sign, already checked) lies below 1 in
// magnitude: from_chars reports a value too small for a double as out of
// range, like one too large, but it rounds to 0.
bool belowOne(QByteArrayView s)
{
    qsizetype mark = s.indexOf('e');
    if (mark < 0)
        mark = s.indexOf('E');
    const QByteArrayView mantissa = mark < 0 ? s : s.first(mark);
    std::int64_t exponent = 0;
    if (mark >= 0) {
        QByteArrayView digits = s.sliced(mark + 1);
        const bool negative = digits.startsWith('-');
        if (negative || digits.startsWith('+'))
            digits = digits.sliced(1);
        for (const char c : digits)
            exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
        if (negative)
            exponent = -exponent;
    }
    // The power of ten just above the first significant digit.
    const qsizetype point = mantissa.indexOf('.');
    const QByteArrayView whole = point < 0 ? mantissa : mantissa.first(point);
    const auto significant = [](char c) { return c != '0'; };
    std::int64_t above = 0;
    if (const auto first = std::find_if(whole.begin(), whole.end(), significant); first != whole.end()) {
        above = whole.end() - first;
    } else {
        const QByteArrayView fraction = point < 0 ? QByteArrayView() : mantissa.sliced(point + 1);
        above = -(std::find_if(fraction.begin(), fraction.end(), significant) - fraction.begin());
    }
    return above + exponent <= 0;
}

double windowValue(QByteArrayView raw)
{
    QByteArrayView s = raw.trimmed();
    if (s.isEmpty())
        return 0.0;
    if (!isDecimalNumber(s))
        throw fileError(ErrorNumber::TypeMismatch);
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s = s.sliced(1);
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && belowOne(s))
        value = 0.0;
    else if (ec != std::errc() || ptr != s.data() + s.size())
        throw fileError(ErrorNumber::Overflow);
    const auto whole = roundToInt32(negative ? -value : value);
    if (!whole)
        throw fileError(ErrorNumber::Overflow);
    return static_cast<double>(*whole);
}

QString text(QByteArrayView raw)
{
    return decodeBytes(raw.toByteArray());
}

} // namespace

void readSettingsRecord(QByteArrayView bytes, bool complete, SettingsRecord &record)
{
    FieldCursor fields(bytes, complete);
    record.port = text(fields.next());
    record.baud = text(fields.next());
    record.left = windowValue(fields.next());
    record.top = windowValue(fields.next());
    record.width = windowValue(fields.next());
    record.height = windowValue(fields.next());
    record.lowerBound = text(fields.next());
    record.higherBound = text(fields.next());
    record.lineFeedTime = text(fields.next());
}

} // namespace quillar
