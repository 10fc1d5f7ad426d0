// The settings reader on any bytes, held field by field against a reading of
// the record's rules written here from their description, not from the
// reader; then every record read is written and read back unchanged.
//
// The first input byte says whether the bytes are the whole file (bit 0)
// or only its start, as the file layer hands over a file too long to be a
// record; the rest are the file.
#include "platform/numbered_error.h"
#include "settings/settings_format.h"
#include "settings/settings_parser.h"
#include "windows_1252.h"

#include <QByteArray>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

using namespace quillar;

namespace {

[[noreturn]] void fail(const char *what, int field)
{
    std::fprintf(stderr, "fuzz_settings: %s (field %d)\n", what, field + 1);
    std::abort();
}

QString model1252(QByteArrayView bytes)
{
    QString text;
    for (const char c : bytes)
        text += QChar(fuzz::windows1252(static_cast<std::uint8_t>(c)));
    return text;
}

bool blank(char c) { return c == ' ' || c == '\t'; }
bool lineEnd(char c) { return c == '\r' || c == '\n'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// sign? (digits (. digits?)? | . digits) ([eE] sign? digits)?, the whole text.
bool decimal(const std::string &s)
{
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t from = i;
        while (i < s.size() && digit(s[i]))
            ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == s.size();
}

struct Expected
{
    SettingsRecord record;
    int error = 0;
};

// What the reader must make of bytes, starting from the record `before`.
Expected expectedRead(QByteArrayView bytes, bool complete, const SettingsRecord &before)
{
    Expected out{before, 0};
    QString *texts[] = {&out.record.port, &out.record.baud, nullptr, nullptr, nullptr, nullptr,
                        &out.record.lowerBound, &out.record.higherBound, &out.record.lineFeedTime};
    double *numbers[] = {nullptr, nullptr, &out.record.left, &out.record.top, &out.record.width, &out.record.height};
    qsizetype at = 0;
    const qsizetype n = bytes.size();
    for (int field = 0; field < SettingsRecord::FieldCount; ++field) {
        while (at < n && blank(bytes[at]))
            ++at;
        if (at >= n) {
            out.error = complete ? 62 : 6;
            return out;
        }
        QByteArrayView raw;
        if (bytes[at] == '"') {
            const qsizetype close = bytes.indexOf('"', at + 1);
            if (close < 0) {
                if (!complete) {
                    out.error = 6;
                    return out;
                }
                raw = bytes.sliced(at + 1);
                at = n;
            } else {
                raw = bytes.sliced(at + 1, close - at - 1);
                at = close + 1;
                while (at < n && bytes[at] != ',' && !lineEnd(bytes[at]))
                    ++at;
            }
        } else {
            const qsizetype start = at;
            while (at < n && bytes[at] != ',' && !lineEnd(bytes[at]))
                ++at;
            if (at >= n && !complete) {
                out.error = 6;
                return out;
            }
            qsizetype end = at;
            while (end > start && blank(bytes[end - 1]))
                --end;
            raw = bytes.sliced(start, end - start);
        }
        if (at < n) {
            const bool crlf = bytes[at] == '\r' && at + 1 < n && bytes[at + 1] == '\n';
            at += crlf ? 2 : 1;
        }

        if (texts[field]) {
            *texts[field] = model1252(raw);
            continue;
        }
        const std::string number = raw.trimmed().toByteArray().toStdString();
        if (number.empty()) {
            *numbers[field] = 0;
            continue;
        }
        if (!decimal(number)) {
            out.error = 13;
            return out;
        }
        std::fesetround(FE_TONEAREST);
        const double whole = std::nearbyint(std::strtod(number.c_str(), nullptr)); // halves to even
        if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) {
            out.error = 6;
            return out;
        }
        *numbers[field] = whole;
    }
    return out;
}

std::optional<int> readError(QByteArrayView bytes, bool complete, SettingsRecord &record)
{
    try {
        readSettingsRecord(bytes, complete, record);
    } catch (const NumberedError &e) {
        return e.number();
    }
    return std::nullopt;
}

void compareFields(const SettingsRecord &got, const SettingsRecord &want)
{
    const QString gotTexts[] = {got.port, got.baud, got.lowerBound, got.higherBound, got.lineFeedTime};
    const QString wantTexts[] = {want.port, want.baud, want.lowerBound, want.higherBound, want.lineFeedTime};
    const int textFields[] = {0, 1, 6, 7, 8};
    for (int i = 0; i < 5; ++i) {
        if (gotTexts[i] != wantTexts[i])
            fail("text field differs", textFields[i]);
    }
    const double gotNumbers[] = {got.left, got.top, got.width, got.height};
    const double wantNumbers[] = {want.left, want.top, want.width, want.height};
    for (int i = 0; i < 4; ++i) {
        if (gotNumbers[i] != wantNumbers[i])
            fail("window field differs", i + 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool complete = (data[0] & 1) != 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size) - 1);

    // Fields that are not reached keep what the record held before.
    SettingsRecord before;
    before.port = before.baud = before.lowerBound = before.higherBound = before.lineFeedTime =
        QStringLiteral("<before>");
    before.left = before.top = before.width = before.height = -0.5;

    SettingsRecord record = before;
    const std::optional<int> error = readError(bytes, complete, record);
    const Expected expected = expectedRead(bytes, complete, before);
    if (error.value_or(0) != expected.error)
        fail("error number differs", error.value_or(0));
    compareFields(record, expected.record);
    if (error)
        return 0;

    // Written and read back. A text holding a double quote is cut there on
    // reading: such records do not come back, by design.
    const QByteArray written = formatSettingsRecord(record);
    if (written.count('"') != 10)
        return 0;
    SettingsRecord again = before;
    if (readError(written, true, again))
        fail("a written record does not read back", 0);
    compareFields(again, record);
    if (formatSettingsRecord(again) != written)
        fail("the record's bytes changed on the round trip", 0);
    return 0;
}
