// The display's lines as its choices show them.
#include "display_buffer.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace quillar {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The byte a marker's three characters after its '[' stand for, or -1.
int markerByte(const char *rest)
{
    if (rest[2] != ']')
        return -1;
    if (rest[0] == 'C' && rest[1] == 'R')
        return 13;
    if (rest[0] == 'L' && rest[1] == 'F')
        return 10;
    const int high = hexDigit(rest[0]);
    const int low = hexDigit(rest[1]);
    return high < 0 || low < 0 ? -1 : high << 4 | low;
}

// A style that differs from the plain one in every part: a line that
// leaves both in the same style leaves every style so.
constexpr CellStyle EveryPart{CellStyle::rgb(1, 2, 3), CellStyle::palette(4), 0x1F};

// Where ESC [ params m ends (at its m) when its '[' is at open and its
// parameters are digits and semicolons alone, or -1. A marker never reads so:
// its '[' is followed by two hex digits and ']'.
qsizetype plainSgrEnd(const char *data, qsizetype open, qsizetype length)
{
    if (open >= length || data[open] != '[')
        return -1;
    qsizetype end = open + 1;
    while (end < length && ((data[end] >= '0' && data[end] <= '9') || data[end] == ';'))
        ++end;
    return end < length && data[end] == 'm' && end - open + 2 <= TerminalDecoder::MaxSequence ? end : -1;
}

// Where the first c at or after from lies, or length.
qsizetype nextByte(const char *data, qsizetype from, qsizetype length, char c)
{
    const void *found = std::memchr(data + from, c, std::size_t(length - from));
    return found ? static_cast<const char *>(found) - data : length;
}

} // namespace

void DisplayBuffer::lineBytes(qsizetype line, QByteArray &bytes) const
{
    const qsizetype start = lineStart(line);
    bytes.resize(lineLength(line));
    m_text.forEachPiece(start, start + bytes.size(), [out = bytes.data()](const char *piece, qsizetype n) mutable {
        std::memcpy(out, piece, std::size_t(n));
        out += n;
    });
}

void DisplayBuffer::decodeLine(qsizetype line, TerminalDecoder &decoder) const
{
    QByteArray bytes;
    lineBytes(line, bytes);
    decodeBytes(line, bytes, decoder);
}

qsizetype DisplayBuffer::escapeBefore(qsizetype line, const QByteArray &bytes, qsizetype before) const
{
    const qsizetype start = lineStart(line);
    const char *data = bytes.constData();
    const auto *raw = static_cast<const char *>(before > 0 ? memrchr(data, 0x1B, std::size_t(before)) : nullptr);
    const qsizetype rawAt = raw ? raw - data : -1;
    for (qsizetype end = before; end > rawAt + 1;) {
        const auto *bracket = static_cast<const char *>(memrchr(data + rawAt + 1, '[', std::size_t(end - rawAt - 1)));
        if (!bracket)
            break;
        const qsizetype at = bracket - data;
        if (at + 4 <= bytes.size() && markerByte(bracket + 1) == 0x1B && m_text.isMarker(start + at))
            return at;
        end = at;
    }
    return rawAt;
}

std::optional<CellStyle> DisplayBuffer::settledStyle(qsizetype line, const QByteArray &bytes, qsizetype last) const
{
    const char *data = bytes.constData();
    const qsizetype open = last + (data[last] == '\x1b' ? 1 : 4);
    const qsizetype end = plainSgrEnd(data, open, bytes.size());
    if (end < 0)
        return std::nullopt;
    // It starts a sequence of its own unless the escape before it opened a
    // string (a window title) that may hold it.
    const qsizetype previous = escapeBefore(line, bytes, last);
    const qsizetype next = previous + (previous >= 0 && data[previous] != '\x1b' ? 4 : 1);
    if (previous >= 0 && next < bytes.size() && QByteArrayView("]PX^_").contains(data[next]))
        return std::nullopt;
    const QByteArrayView params(data + open + 1, end - open - 1);
    const auto fromPlain = TerminalDecoder::sgrStyle(params, CellStyle{});
    const auto fromEveryPart = TerminalDecoder::sgrStyle(params, EveryPart);
    return fromPlain == fromEveryPart ? fromPlain : std::nullopt;
}

void DisplayBuffer::decodeBytes(qsizetype line, const QByteArray &bytes, TerminalDecoder &decoder, qsizetype from) const
{
    // The text's own characters are the received bytes as themselves, the
    // markers of the rest, and what the display wrote itself (a "<012>"
    // count, "(LF)"), read as bytes too: they show as they are either way.
    const qsizetype start = lineStart(line);
    const qsizetype length = bytes.size();
    const char *data = bytes.constData();
    qsizetype rawEscape = -1; // the next ESC received as itself, once looked for
    for (qsizetype i = from; i < length;) {
        const int marker = markerAt(data, i, length, start);
        const auto byte = std::uint8_t(marker >= 0 ? marker : data[i]);
        const qsizetype to = i + (marker >= 0 ? 4 : 1);
        const qsizetype sgr = decoder.idle() && byte == 0x1B ? plainSgrEnd(data, to, length) : -1;
        if (sgr >= 0 && decoder.choices().colours) {
            decoder.feedSgr(QByteArrayView(data + to + 1, sgr - to - 1), i, sgr + 1);
            i = sgr + 1;
        } else if (decoder.idle() && decoder.showsAsItself(byte)) {
            const qsizetype end = runEnd(data, to, length, start, decoder, rawEscape);
            decoder.feedRun(i, end);
            i = end;
        } else {
            decoder.feed(byte, i, to);
            i = to;
        }
    }
}

int DisplayBuffer::markerAt(const char *data, qsizetype at, qsizetype length, qsizetype start) const
{
    return data[at] == '[' && at + 4 <= length && m_text.isMarker(start + at) ? markerByte(data + at + 1) : -1;
}

qsizetype DisplayBuffer::runEnd(const char *data, qsizetype from, qsizetype length, qsizetype start,
                                const TerminalDecoder &decoder, qsizetype &rawEscape) const
{
    const ShowChoices &choices = decoder.choices();
    qsizetype end = from;
    while (end < length) {
        if (choices.utf8) { // byte by byte: a lead byte may come as itself
            const int marker = markerAt(data, end, length, start);
            if (!decoder.showsAsItself(std::uint8_t(marker >= 0 ? marker : data[end])))
                return end;
            end += marker >= 0 ? 4 : 1;
            continue;
        }
        // Only an ESC, as itself or as its marker, may start a sequence.
        if (!choices.colours)
            return length;
        if (rawEscape < end)
            rawEscape = nextByte(data, end, length, '\x1b');
        const qsizetype bracket = nextByte(data, end, rawEscape, '[');
        if (bracket == rawEscape)
            return rawEscape;
        const int marker = markerAt(data, bracket, length, start);
        if (marker == 0x1B)
            return bracket;
        end = bracket + (marker >= 0 ? 4 : 1);
    }
    return length;
}

const ShownLine &DisplayBuffer::shownLine(qsizetype line) const
{
    const qint64 start = m_removedCount + lineStart(line);
    const qsizetype length = lineLength(line);
    if (m_shown.start == start && m_shown.length == length)
        return m_shown.line;
    m_shown = {start, length, decodedLine(line)};
    m_highlighter.apply(m_shown.line);
    return m_shown.line;
}

ShownLine DisplayBuffer::decodedLine(qsizetype line) const
{
    const QString exact = lineText(line);
    TerminalDecoder decoder(m_choices, exact, startStyle(line));
    decodeLine(line, decoder);
    return decoder.finish();
}

QString DisplayBuffer::shownLineText(qsizetype line) const
{
    const QString exact = lineText(line);
    QString text;
    TerminalDecoder decoder(m_choices, exact, text);
    decodeLine(line, decoder);
    decoder.finish();
    return text;
}

void DisplayBuffer::shownBytes(qsizetype line, QByteArray &bytes) const
{
    if (!m_choices.colours) {
        lineBytes(line, bytes);
        return;
    }
    lineBytes(line, m_lineRoom);
    bytes.resize(m_lineRoom.size());
    TerminalDecoder decoder({.colours = true}, m_lineRoom.constData(), bytes);
    decodeBytes(line, m_lineRoom, decoder);
    decoder.finish();
}

CellStyle DisplayBuffer::startStyle(qsizetype line) const
{
    return m_choices.colours ? m_carry.at(firstLineNumber() + line) : CellStyle{};
}

void DisplayBuffer::carryColours(qint64 from, qint64 to)
{
    // Most coloured lines end in a reset: their last sequence alone settles
    // what they leave, and the rest of the line need not be followed.
    const ShowChoices coloursOnly{.colours = true};
    QByteArray bytes;
    from = std::max(from, firstLineNumber());
    CellStyle style = m_carry.at(from);
    for (qint64 sequence = from; sequence < to; ++sequence) {
        const auto line = qsizetype(sequence - firstLineNumber());
        lineBytes(line, bytes);
        const qsizetype last = escapeBefore(line, bytes, bytes.size());
        const auto settled = last < 0 ? std::optional(style) : settledStyle(line, bytes, last);
        if (settled) {
            style = *settled;
        } else {
            TerminalDecoder decoder(coloursOnly, QStringView(), style);
            decodeBytes(line, bytes, decoder);
            style = decoder.style();
        }
        m_carry.set(sequence + 1, style);
    }
}

void DisplayBuffer::setShowChoices(ShowChoices choices)
{
    if (choices == m_choices)
        return;
    const bool coloursOn = choices.colours && !m_choices.colours;
    m_choices = choices;
    m_shown = {};
    if (coloursOn) {
        m_carry.clear();
        carryColours(firstLineNumber(), firstLineNumber() + lineCount() - 1);
    }
    emit showChoicesChanged();
}

} // namespace quillar

namespace quillar {

QString DisplayBuffer::shownText(qsizetype from, qsizetype to) const
{
    from = std::clamp<qsizetype>(from, 0, length());
    to = std::clamp<qsizetype>(to, from, length());
    QString text;
    const qsizetype last = lineOfPosition(to);
    for (qsizetype line = lineOfPosition(from); line <= last; ++line) {
        const qsizetype start = lineStart(line);
        for (const ShownCell &cell : shownLine(line).cells) {
            if (start + cell.from >= from && start + cell.from < to) {
                const char32_t code = cell.code;
                text += QString::fromUcs4(&code, 1);
            }
        }
        const qsizetype end = start + lineLength(line);
        if (line + 1 < lineCount() && end < to && end + 2 > from)
            text += QStringLiteral("\r\n");
    }
    return text;
}

void DisplayBuffer::setSidePrefixes(const QStringList &prefixes)
{
    if (prefixes == m_highlighter.sidePrefixes())
        return;
    m_highlighter.setSidePrefixes(prefixes);
    m_shown = {};
    emit showChoicesChanged();
}

void DisplayBuffer::setHighlightRules(const QList<HighlightRule> &rules)
{
    if (rules == m_highlighter.rules())
        return;
    m_highlighter.setRules(rules);
    m_shown = {};
    emit showChoicesChanged();
}

} // namespace quillar
