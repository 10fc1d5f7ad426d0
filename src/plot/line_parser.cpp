#include "line_parser.h"

#include "platform/codepage.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

namespace quillar {

namespace {

bool isSeparator(char c)
{
    return c == ' ' || c == ',' || c == ';' || static_cast<unsigned char>(c) < 32 || c == 127;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The length of the digits at the start of text.
qsizetype digits(QByteArrayView text)
{
    qsizetype n = 0;
    while (n < text.size() && isDigit(text[n]))
        ++n;
    return n;
}

// The field's value when the whole field is a number: NaN for one too large
// to hold, which still takes its column's place.
std::optional<double> number(QByteArrayView field)
{
    QByteArrayView rest = field;
    if (!rest.isEmpty() && (rest[0] == '+' || rest[0] == '-'))
        rest = rest.sliced(1);
    const qsizetype whole = digits(rest);
    rest = rest.sliced(whole);
    qsizetype fraction = 0;
    if (!rest.isEmpty() && rest[0] == '.') {
        fraction = digits(rest.sliced(1));
        rest = rest.sliced(1 + fraction);
    }
    if (whole + fraction == 0)
        return std::nullopt;
    if (!rest.isEmpty() && (rest[0] == 'e' || rest[0] == 'E')) {
        QByteArrayView exponent = rest.sliced(1);
        if (!exponent.isEmpty() && (exponent[0] == '+' || exponent[0] == '-'))
            exponent = exponent.sliced(1);
        const qsizetype n = digits(exponent);
        if (n == 0)
            return std::nullopt;
        rest = exponent.sliced(n);
    }
    if (!rest.isEmpty())
        return std::nullopt;
    // from_chars takes no '+'.
    const QByteArrayView text = field[0] == '+' ? field.sliced(1) : field;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nan("");
    return value;
}

QString label(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes)
        text += byteToChar(static_cast<std::uint8_t>(c));
    return text;
}

qsizetype pairMark(QByteArrayView field)
{
    for (qsizetype i = 0; i < field.size(); ++i)
        if (field[i] == ':' || field[i] == '=')
            return i;
    return -1;
}

} // namespace

std::vector<ParsedValue> parseLine(QByteArrayView line)
{
    std::vector<ParsedValue> values;
    int columns = 0;
    QString pendingLabel; // "temp:" waits for its number
    qsizetype at = 0;
    while (at < line.size()) {
        if (isSeparator(line[at])) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < line.size() && !isSeparator(line[end]))
            ++end;
        const QByteArrayView field = line.sliced(at, end - at);
        at = end;
        const QString waiting = std::exchange(pendingLabel, QString());
        if (const auto value = number(field)) {
            const int column = waiting.isEmpty() ? ++columns : 0;
            if (!std::isnan(*value))
                values.push_back({waiting, column, *value});
            continue;
        }
        const qsizetype mark = pairMark(field);
        if (mark <= 0)
            continue;
        if (mark == field.size() - 1)
            pendingLabel = label(field.first(mark));
        else if (const auto value = number(field.sliced(mark + 1)); value && !std::isnan(*value))
            values.push_back({label(field.first(mark)), 0, *value});
    }
    return values;
}

} // namespace quillar
