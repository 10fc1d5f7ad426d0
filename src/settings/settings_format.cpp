#include "settings_format.h"

#include "platform/codepage.h"

#include <array>
#include <charconv>
#include <cmath>

namespace quillar {

QByteArray formatTwips(double value)
{
    if (!std::isfinite(value) || value == 0.0)
        return QByteArrayLiteral("0"); // never "-0"
    std::array<char, 400> buf{};
    std::to_chars_result r;
    const auto asFloat = static_cast<float>(value);
    if (static_cast<double>(asFloat) == value)
        r = std::to_chars(buf.data(), buf.data() + buf.size(), asFloat, std::chars_format::fixed);
    else
        r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
    return QByteArray(buf.data(), r.ptr - buf.data());
}

namespace {
void appendText(QByteArray &out, const QString &text)
{
    out += '"';
    out += encodeText(text);
    out += '"';
}
} // namespace

QByteArray formatSettingsRecord(const SettingsRecord &record)
{
    QByteArray out;
    appendText(out, record.port);
    out += ',';
    appendText(out, record.baud);
    for (const double v : {record.left, record.top, record.width, record.height}) {
        out += ',';
        out += formatTwips(v);
    }
    out += ',';
    appendText(out, record.lowerBound);
    out += ',';
    appendText(out, record.higherBound);
    out += ',';
    appendText(out, record.lineFeedTime);
    out += "\r\n";
    return out;
}

} // namespace quillar
