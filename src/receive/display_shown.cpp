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

// Whether the bytes hold an ESC, as itself or as its marker.
bool mayHoldEscape(const QByteArray &bytes)
{
    return bytes.contains('\x1b') || bytes.contains("[1B]");
}

} // namespace

QByteArray DisplayBuffer::lineBytes(qsizetype line) const
{
    const qsizetype start = lineStart(line);
    QByteArray bytes(lineLength(line), Qt::Uninitialized);
    m_text.forEachPiece(start, start + bytes.size(), [out = bytes.data()](const char *piece, qsizetype n) mutable {
        std::memcpy(out, piece, std::size_t(n));
        out += n;
    });
    return bytes;
}

void DisplayBuffer::decodeLine(qsizetype line, TerminalDecoder &decoder) const
{
    decodeBytes(line, lineBytes(line), decoder);
}

void DisplayBuffer::decodeBytes(qsizetype line, const QByteArray &bytes, TerminalDecoder &decoder) const
{
    // The text's own characters are the received bytes as themselves, the
    // markers of the rest, and what the display wrote itself (a "<012>"
    // count, "(LF)"), read as bytes too: they show as they are either way.
    const qsizetype start = lineStart(line);
    const qsizetype length = bytes.size();
    const char *data = bytes.constData();
    for (qsizetype i = 0; i < length;) {
        if (!decoder.showing() && decoder.idle()) {
            // Following the style alone: only an ESC, or its marker, matters.
            while (i < length && data[i] != '\x1b' && data[i] != '[')
                ++i;
            if (i == length)
                break;
        }
        const int byte =
            data[i] == '[' && i + 4 <= length && m_text.isMarker(start + i) ? markerByte(data + i + 1) : -1;
        if (byte >= 0) {
            decoder.feed(std::uint8_t(byte), i, i + 4);
            i += 4;
        } else {
            decoder.feed(std::uint8_t(data[i]), i, i + 1);
            ++i;
        }
    }
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
    TerminalDecoder decoder(m_choices, exact, m_choices.colours ? m_carry.at(firstLineNumber() + line) : CellStyle{});
    decodeLine(line, decoder);
    return decoder.finish();
}

void DisplayBuffer::carryColours(qint64 from, qint64 to)
{
    const ShowChoices coloursOnly{.colours = true};
    for (qint64 sequence = std::max(from, firstLineNumber()); sequence < to; ++sequence) {
        const auto line = qsizetype(sequence - firstLineNumber());
        const CellStyle start = m_carry.at(sequence);
        const QByteArray bytes = lineBytes(line);
        if (!mayHoldEscape(bytes)) {
            m_carry.set(sequence + 1, start);
            continue;
        }
        TerminalDecoder decoder(coloursOnly, QStringView(), start);
        decodeBytes(line, bytes, decoder);
        decoder.finish();
        m_carry.set(sequence + 1, decoder.style());
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

void DisplayBuffer::setHighlightRules(const QList<HighlightRule> &rules)
{
    if (rules == m_highlighter.rules())
        return;
    m_highlighter.setRules(rules);
    m_shown = {};
    emit showChoicesChanged();
}

} // namespace quillar
