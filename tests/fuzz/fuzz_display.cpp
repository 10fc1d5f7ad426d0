// The byte renderer and the display buffer under any reads, clears and timed
// line ends, against a model written here (modelPiece, modelAppend); the line
// index, longest line and caret must agree with the text. Byte 0 picks the
// bounds, byte 1 the line-feed mode and the starting text; then each byte is
// an operation, a read taking the bytes that follow.
#include "receive/byte_renderer.h"
#include "receive/display_buffer.h"
#include "windows_1252.h"

#include <QString>

#include <array>
#include <cstdio>
#include <cstdlib>

using namespace quillar;

namespace {

[[noreturn]] void fail(const char *what, qsizetype value)
{
    std::fprintf(stderr, "fuzz_display: %s (%lld)\n", what, static_cast<long long>(value));
    std::abort();
}

constexpr double Bounds[] = {31, 128, -1, 0, 9.5, 10, 13, 14, 64.9, 65.1, 127, 200, 255, 256};
// Mostly empty at first, now and then just below the trim threshold, rarely
// below the safety limit (slow to copy under AddressSanitizer).
constexpr qsizetype StartLengths[16] = {19890, 19990, 19990, 99990};
constexpr qsizetype Trim = 19999;
constexpr qsizetype Kept = 19900;
constexpr qsizetype Safety = 100000;

QString modelPiece(std::uint8_t byte, double lower, double higher, bool lineFeedMode)
{
    if (lower < byte && byte < higher)
        return QString(QChar(fuzz::windows1252(byte)));
    if (byte == 13)
        return QStringLiteral("[CR]");
    if (byte == 10)
        return lineFeedMode ? QStringLiteral("[LF]\r\n") : QStringLiteral("[LF]");
    return QStringLiteral("[%1]").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

void modelAppend(QString &model, const QString &text)
{
    if (text.endsWith(u'\n') && model.size() > Trim)
        model = model.right(Kept);
    model += text;
    if (model.size() > Safety)
        model = model.right(Kept);
}

void checkLines(const DisplayBuffer &display)
{
    const QString &text = display.text();
    qsizetype line = 0;
    qsizetype start = 0;
    qsizetype longest = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'\r' || text[i + 1] != u'\n')
            continue;
        if (line >= display.lineCount() || display.lineStart(line) != start || display.lineLength(line) != i - start)
            fail("line index differs at line", line);
        longest = std::max(longest, i - start);
        ++line;
        start = i + 2;
        ++i;
    }
    if (display.lineCount() != line + 1 || display.lineStart(line) != start)
        fail("line count differs", display.lineCount());
    longest = std::max(longest, text.size() - start);
    if (display.maxLineLength() != longest)
        fail("longest line differs", display.maxLineLength());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const double lower = Bounds[(data[0] & 0x0F) % std::size(Bounds)];
    const double higher = Bounds[(data[0] >> 4) % std::size(Bounds)];
    const bool lineFeedMode = (data[1] & 1) != 0;
    const ByteRenderer renderer(lower, higher, lineFeedMode);

    static const auto starts = [] {
        std::array<QString, std::size(StartLengths)> texts;
        for (std::size_t k = 0; k < texts.size(); ++k) {
            for (qsizetype i = 0; i < StartLengths[k]; ++i)
                texts[k] += i % 80 == 79 ? QChar(u'\n') : QChar(char16_t(u'a' + i % 26));
        }
        return texts;
    }();
    DisplayBuffer display;
    QString model;
    const QString &start = starts[(data[1] >> 1) % starts.size()];
    display.append(start);
    modelAppend(model, start);

    std::size_t at = 2;
    int count = 0; // bytes since the last timed line end
    bool selfAppended = false;
    while (at < size) {
        const std::uint8_t op = data[at++];
        if (op < 0xF0) { // a read of the next 1 to 64 bytes
            const std::size_t length = std::min<std::size_t>(op % 64 + 1, size - at);
            const QByteArrayView read(reinterpret_cast<const char *>(data + at), static_cast<qsizetype>(length));
            at += length;
            QString expected;
            for (const char byte : read)
                expected += modelPiece(static_cast<std::uint8_t>(byte), lower, higher, lineFeedMode);
            const QString rendered = renderer.render(read);
            if (rendered != expected)
                fail("rendered text differs, length", rendered.size());
            display.append(rendered);
            modelAppend(model, expected);
            count += static_cast<int>(length);
        } else if (op < 0xF8) { // the line-break timer fires
            const QString end = QStringLiteral("<%1>\r\n").arg(count, 3, 10, QLatin1Char('0'));
            display.append(end);
            modelAppend(model, end);
            count = 0;
        } else if (op < 0xFC && !selfAppended) { // the display's own text, appended once
            selfAppended = true;
            const QString own = display.text();
            display.append(own);
            modelAppend(model, own);
        } else if (op < 0xFE) { // a selection (also any further self-append)
            display.setSelection(op, 3 * op);
            if (display.selectedText() != model.mid(std::min<qsizetype>(op, 3 * op), 2 * op))
                fail("selection differs", display.selLength());
            continue;
        } else {
            display.clear();
            model.clear();
        }
        if (display.length() != model.size())
            fail("length differs", display.length());
        if (display.caret() != display.length() || display.anchor() != display.length())
            fail("an append left a selection", display.caret());
    }
    if (display.text() != model)
        fail("text differs, length", model.size());
    checkLines(display);
    return 0;
}
