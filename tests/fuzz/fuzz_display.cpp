// The byte renderer, the display buffer and find under any sequence of
// reads, clears, timed line ends, selections and scrolls, against a small
// model written here: each byte as its character, [CR], [LF] (with a line
// break in line-feed mode) or [XX]; a text ending in a line feed first cuts
// a display longer than the threshold to its kept length; past the safety
// length after an append, the display is cut to its kept length. An append
// puts the caret at the end only while following with nothing selected;
// otherwise caret and selection stay on their characters. Each line has the
// time of the append that brought its first character (a lone LF left at
// the front by a cut joins the line after it, which keeps its own). The
// buffer's line index, longest line, times and caret must agree with the
// model, and find's count with a plain count.
//
// Input: byte 0 picks the bounds, byte 1 the line-feed mode, the scrollback,
// what to find and how much the display holds to begin with; then each byte
// is an operation, reads taking the bytes that follow as the device's data.
#include "receive/byte_renderer.h"
#include "receive/display_buffer.h"
#include "receive/text_finder.h"
#include "windows_1252.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace quillar;

namespace {

[[noreturn]] void fail(const char *what, qsizetype value)
{
    std::fprintf(stderr, "fuzz_display: %s (%lld)\n", what, static_cast<long long>(value));
    std::abort();
}

constexpr double Bounds[] = {31, 128, -1, 0, 9.5, 10, 13, 14, 64.9, 65.1, 127, 200, 255, 256};
// Small scrollbacks, so that cuts come often (long strings are slow under
// AddressSanitizer); the first is the default.
constexpr qsizetype Scrollbacks[] = {20000, 1000, 1500, 3000};
const char *const Patterns[] = {"[1B]", "[lf]", "a", "[00][00]"};
// What the display holds to begin with: mostly nothing, now and then just
// below a cut; the rest are 0.
constexpr qsizetype StartLengths[8] = {19890, 995, 1490, 2990};

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

// The display as the rules say it should be.
struct Model
{
    Scrollback limits;
    QString text{};
    std::vector<qint64> lineTimeOf{}; // per character: the time of the line it came in
    bool frontJoined = false;         // the first character is an LF whose CR was cut
    std::optional<qint64> beforeFirst{};
    qsizetype anchor = 0, caret = 0;
    bool following = true;

    [[nodiscard]] bool startsLine(qsizetype i) const
    {
        return i == 0 || (i == 1 && frontJoined) || (i >= 2 && text[i - 2] == u'\r' && text[i - 1] == u'\n');
    }

    void cut(qsizetype keep)
    {
        const qsizetype at = text.size() - keep;
        if (at > 0 && text[at - 1] == u'\r' && text[at] == u'\n') {
            beforeFirst = lineTimeOf[std::size_t(at)];
            frontJoined = true;
        } else {
            qsizetype start = at;
            while (!startsLine(start))
                --start;
            if (start > 0)
                beforeFirst = lineTimeOf[std::size_t(start - 1)];
            frontJoined = false;
        }
        text.remove(0, at);
        lineTimeOf.erase(lineTimeOf.begin(), lineTimeOf.begin() + at);
        anchor = std::max<qsizetype>(0, anchor - at);
        caret = std::max<qsizetype>(0, caret - at);
    }

    void append(const QString &added, qint64 now)
    {
        const bool follow = following && anchor == caret;
        if (added.endsWith(u'\n') && text.size() > limits.threshold)
            cut(limits.kept);
        for (const QChar ch : added) {
            const qsizetype i = text.size();
            text += ch;
            lineTimeOf.push_back(startsLine(i) ? now : lineTimeOf.back());
        }
        if (text.size() > limits.safety)
            cut(limits.kept);
        if (follow)
            anchor = caret = text.size();
    }

    void clear()
    {
        text.clear();
        lineTimeOf.clear();
        frontJoined = false;
        beforeFirst.reset();
        anchor = caret = 0;
    }

    // The time the display should give the line starting at start.
    [[nodiscard]] std::optional<qint64> timeAt(qsizetype start) const
    {
        if (start == 0 && frontJoined)
            return text.size() > 1 ? std::optional(lineTimeOf[1]) : std::nullopt;
        return start < text.size() ? std::optional(lineTimeOf[std::size_t(start)]) : std::nullopt;
    }
};

void checkLines(const DisplayBuffer &display, const Model &model)
{
    const QString &text = model.text;
    qsizetype line = 0;
    qsizetype start = 0;
    qsizetype longest = 0;
    std::optional<qint64> previous = model.beforeFirst;
    const auto checkLine = [&](qsizetype length) {
        if (line >= display.lineCount() || display.lineStart(line) != start || display.lineLength(line) != length)
            fail("line index differs at line", line);
        if (display.lineTime(line) != model.timeAt(start))
            fail("line time differs at line", line);
        if (display.previousLineTime(line) != previous)
            fail("previous line's time differs at line", line);
        previous = display.lineTime(line);
    };
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'\r' || text[i + 1] != u'\n')
            continue;
        checkLine(i - start);
        longest = std::max(longest, i - start);
        ++line;
        start = i + 2;
        ++i;
    }
    checkLine(text.size() - start);
    if (display.lineCount() != line + 1)
        fail("line count differs", display.lineCount());
    longest = std::max(longest, text.size() - start);
    if (display.maxLineLength() != longest)
        fail("longest line differs", display.maxLineLength());
}

// Every line as each choice shows it: with none, its own characters; with
// any, each character maps to a column, in order, and every shown cell to
// characters of its line, whose column it stands at.
void checkShown(DisplayBuffer &display)
{
    for (const ShowChoices choices :
         {ShowChoices{}, ShowChoices{true, false}, ShowChoices{false, true}, ShowChoices{true, true}}) {
        display.setShowChoices(choices);
        for (qsizetype line = 0; line < display.lineCount(); ++line) {
            const ShownLine &shown = display.shownLine(line);
            const qsizetype length = display.lineLength(line);
            if (!choices.any() && shown.text() != display.lineText(line))
                fail("shown without choices differs at line", line);
            if (qsizetype(shown.column.size()) != length + 1 || shown.column.back() != shown.width)
                fail("shown columns are not the line's at line", line);
            if (!std::is_sorted(shown.column.begin(), shown.column.end()))
                fail("shown columns go back at line", line);
            for (const ShownCell &cell : shown.cells) {
                if (cell.from < 0 || cell.to > length || cell.from >= cell.to
                    || shown.column[std::size_t(cell.from)] + cell.width != shown.column[std::size_t(cell.to)])
                    fail("a shown cell is not where its characters are, at line", line);
            }
        }
    }
    display.setShowChoices({});
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv); // find's timer wants one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const double lower = Bounds[(data[0] & 0x0F) % std::size(Bounds)];
    const double higher = Bounds[(data[0] >> 4) % std::size(Bounds)];
    const bool lineFeedMode = (data[1] & 1) != 0;
    const ByteRenderer renderer(lower, higher, lineFeedMode);
    const qsizetype scrollback = Scrollbacks[(data[1] >> 1) % std::size(Scrollbacks)];
    const QString pattern = QString::fromLatin1(Patterns[(data[1] >> 3) % std::size(Patterns)]);

    static const auto starts = [] {
        std::array<QString, std::size(StartLengths)> texts;
        for (std::size_t k = 0; k < texts.size(); ++k) {
            for (qsizetype i = 0; i < StartLengths[k]; ++i)
                texts[k] += i % 80 == 79 ? QChar(u'\n') : QChar(char16_t(u'a' + i % 26));
        }
        return texts;
    }();
    qint64 now = 1796558400000;
    DisplayBuffer display(nullptr, [&now] { return now; });
    display.setScrollback(scrollback);
    Model model{Scrollback::of(scrollback)};
    const QString &start = starts[(data[1] >> 5) % starts.size()];
    display.append(start);
    model.append(start, now);
    TextFinder finder(display);
    finder.find(pattern, false, 0);

    std::size_t at = 2;
    int count = 0; // bytes since the last timed line end
    bool selfAppended = false;
    while (at < size) {
        const std::uint8_t op = data[at++];
        now += op % 7;   // reads come at times the input picks, and the clock may stand still
        if (op < 0xE8) { // a read of the next 1 to 64 bytes
            const std::size_t length = std::min<std::size_t>(op % 64 + 1, size - at);
            const QByteArrayView read(reinterpret_cast<const char *>(data + at), static_cast<qsizetype>(length));
            at += length;
            QString expected;
            for (const char byte : read)
                expected += modelPiece(static_cast<std::uint8_t>(byte), lower, higher, lineFeedMode);
            std::vector<quint64> markers;
            const QString rendered = renderer.render(read, &markers);
            if (rendered != expected)
                fail("rendered text differs, length", rendered.size());
            display.appendReceived(rendered, {}, markers);
            model.append(expected, now);
            count += static_cast<int>(length);
        } else if (op < 0xF0) { // the line-break timer fires
            const QString end = QStringLiteral("<%1>\r\n").arg(count, 3, 10, QLatin1Char('0'));
            display.append(end);
            model.append(end, now);
            count = 0;
        } else if (op < 0xF4 && !selfAppended) { // the display's own text, appended once
            selfAppended = true;
            const QString own = display.text();
            display.append(own);
            model.append(own, now);
        } else if (op < 0xFA) { // a selection (also any further self-append)
            display.setSelection(op * 7, op * 3);
            model.anchor = std::min<qsizetype>(op * 7, model.text.size());
            model.caret = std::min<qsizetype>(op * 3, model.text.size());
            if (display.selectedText()
                != model.text.mid(std::min(model.anchor, model.caret), std::abs(model.anchor - model.caret)))
                fail("selection differs", display.selLength());
        } else if (op < 0xFD) { // the view scrolled away from the end, or back to it
            model.following = !model.following;
            display.setFollowing(model.following);
        } else {
            display.clear();
            model.clear();
        }
        if (display.length() != model.text.size())
            fail("length differs", display.length());
        if (display.anchor() != model.anchor || display.caret() != model.caret)
            fail("caret or selection differs", display.caret());
    }
    if (display.text() != model.text)
        fail("text differs, length", model.text.size());
    checkLines(display, model);
    checkShown(display);
    while (finder.work()) { }
    if (finder.count() != model.text.count(pattern, Qt::CaseInsensitive))
        fail("find's count differs", finder.count());
    return 0;
}
