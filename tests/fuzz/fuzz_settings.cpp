// The settings reader on any bytes, field by field against a reading of the
// rules written here; each record read is written and read back unchanged.
// Bit 0 of the first byte: the rest is the whole file, or only its start.
#include "platform/numbered_error.h"
#include "settings/settings_format.h"
#include "settings/settings_parser.h"
#include "windows_1252.h"

#include <QRegularExpression>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace quillar;

namespace {

// A record as nine texts, the window fields exact (a negative zero marked).
using Fields = std::array<QString, SettingsRecord::FieldCount>;
constexpr bool IsText[SettingsRecord::FieldCount] = {true, true, false, false, false, false, true, true, true};

QString exact(double v)
{
    return QString::number(v, 'g', 17) + (std::signbit(v) ? "(-)" : "");
}

Fields fields(const SettingsRecord &r)
{
    return {r.port,          r.baud,       exact(r.left), exact(r.top),  exact(r.width),
            exact(r.height), r.lowerBound, r.higherBound, r.lineFeedTime};
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_settings: %s\n", what);
    std::abort();
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}
bool fieldEnd(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// sign? (digits (. digits?)? | . digits) ([eE] sign? digits)?, the whole text.
const QRegularExpression Decimal(QRegularExpression::anchoredPattern(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)"));

// The error number the reader must give for bytes; `want` gets the fields it
// reaches, in order, and keeps the rest.
int expectedRead(QByteArrayView bytes, bool complete, Fields &want)
{
    qsizetype at = 0;
    const qsizetype n = bytes.size();
    for (int field = 0; field < SettingsRecord::FieldCount; ++field) {
        while (at < n && blank(bytes[at]))
            ++at;
        if (at >= n)
            return complete ? 62 : 6;
        // A quoted text runs to the next quote (to the end when there is
        // none), a plain one to the next comma or line end, blanks trimmed.
        const bool quoted = bytes[at] == '"';
        const qsizetype start = at + quoted, close = quoted ? bytes.indexOf('"', start) : -1;
        at = quoted && close < 0 ? n : std::max(at, close + 1);
        while (at < n && !fieldEnd(bytes[at]))
            ++at;
        if (at >= n && !complete && (!quoted || close < 0))
            return 6;
        qsizetype end = quoted ? (close < 0 ? n : close) : at;
        while (!quoted && end > start && blank(bytes[end - 1]))
            --end;
        const QByteArrayView raw = bytes.sliced(start, end - start);
        at += at >= n ? 0 : bytes[at] == '\r' && at + 1 < n && bytes[at + 1] == '\n' ? 2 : 1;

        if (IsText[field]) {
            want[field].clear();
            for (const char c : raw)
                want[field] += QChar(fuzz::windows1252(static_cast<std::uint8_t>(c)));
            continue;
        }
        const QByteArray number = raw.trimmed().toByteArray();
        if (!number.isEmpty() && !Decimal.match(QString::fromLatin1(number)).hasMatch())
            return 13;
        // Halves to even (the rounding mode at start); a whole number read is never a negative zero.
        const double whole = number.isEmpty() ? 0.0 : std::nearbyint(std::strtod(number.constData(), nullptr)) + 0.0;
        if (!(whole >= -2147483648.0 && whole <= 2147483647.0))
            return 6;
        want[field] = exact(whole);
    }
    return 0;
}

int readError(QByteArrayView bytes, bool complete, SettingsRecord &record)
{
    try {
        readSettingsRecord(bytes, complete, record);
    } catch (const NumberedError &e) {
        return e.number();
    }
    return 0;
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
    before.port = before.baud = before.lowerBound = before.higherBound = before.lineFeedTime = "<before>";
    before.left = before.top = before.width = before.height = -0.5;
    SettingsRecord record = before;
    Fields want = fields(before);
    const int error = readError(bytes, complete, record);
    if (error != expectedRead(bytes, complete, want))
        fail("the error number differs");
    if (fields(record) != want)
        fail("a field differs");
    if (error)
        return 0;

    // A text holding a double quote is cut there on reading: it cannot come back.
    const QByteArray written = formatSettingsRecord(record);
    if (!written.endsWith("\r\n"))
        fail("a written record does not end in CR LF");
    if (written.count('"') != 10)
        return 0;
    SettingsRecord again = before;
    if (readError(written, true, again))
        fail("a written record does not read back");
    if (fields(again) != fields(record))
        fail("a field changed on the round trip");
    if (formatSettingsRecord(again) != written)
        fail("the record's bytes changed on the round trip");
    return 0;
}
