#include "terminal_decoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace quillar {

namespace {

// The wide ranges of East Asian Width (W and F) that text is made of:
// Hangul, CJK, kana, full-width forms, and the emoji planes' pictographs.
struct Range
{
    char32_t first;
    char32_t last;
};
constexpr Range WideRanges[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},   {0x2648, 0x2653},   {0x267F, 0x267F},
    {0x2693, 0x2693},   {0x26A1, 0x26A1},   {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},   {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F5},   {0x26FA, 0x26FA},
    {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},   {0x2728, 0x2728},   {0x274C, 0x274C},
    {0x274E, 0x274E},   {0x2753, 0x2755},   {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},
    {0x27BF, 0x27BF},   {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4}, {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004},
    {0x1F0CF, 0x1F0CF}, {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F2FF}, {0x1F300, 0x1F64F},
    {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F90C, 0x1F9FF}, {0x1FA70, 0x1FAFF}, {0x20000, 0x3FFFD},
};

bool between(std::uint8_t byte, int low, int high)
{
    return byte >= low && byte <= high;
}

} // namespace

int characterWidth(char32_t code)
{
    if (code < WideRanges[0].first)
        return 1;
    const auto *range = std::upper_bound(std::begin(WideRanges), std::end(WideRanges), code,
                                         [](char32_t c, const Range &r) { return c < r.first; });
    return range != std::begin(WideRanges) && code <= (range - 1)->last ? 2 : 1;
}

QString ShownLine::text() const
{
    QString text;
    text.reserve(qsizetype(cells.size()));
    for (const ShownCell &cell : cells) {
        const char32_t code = cell.code;
        text += code > 0xFFFF ? QString::fromUcs4(&code, 1) : QString(QChar(char16_t(code)));
    }
    return text;
}

qsizetype ShownLine::positionAtColumn(qsizetype at) const
{
    return qsizetype(std::lower_bound(column.begin(), column.end(), at) - column.begin());
}

TerminalDecoder::TerminalDecoder(ShowChoices choices, QStringView exact, CellStyle start)
    : m_choices(choices),
      m_exact(exact),
      m_style(start),
      m_showing(!exact.isNull())
{
    if (!m_showing)
        return;
    m_line.column.assign(std::size_t(exact.size()) + 1, -1);
    m_line.cells.reserve(std::size_t(exact.size()));
}

TerminalDecoder::TerminalDecoder(ShowChoices choices, QStringView exact, QString &text)
    : m_choices(choices),
      m_exact(exact),
      m_text(&text),
      m_showing(true)
{
    text.reserve(exact.size());
}

TerminalDecoder::TerminalDecoder(ShowChoices choices, const char *exactBytes, QByteArray &bytes)
    : m_choices(choices),
      m_exactBytes(exactBytes),
      m_bytes(&bytes),
      m_showing(true)
{ }

void TerminalDecoder::feedSgr(QByteArrayView params, qsizetype from, qsizetype to)
{
    if (const auto style = m_choices.colours ? sgrStyle(params, m_style) : std::nullopt) {
        m_style = *style;
        hide(from, to);
    } else {
        showExact(from, to);
    }
}

void TerminalDecoder::feedRun(qsizetype from, qsizetype to)
{
    showExact(from, to);
}

void TerminalDecoder::feed(std::uint8_t byte, qsizetype from, qsizetype to)
{
    const Unit unit{byte, from, to};
    switch (m_state) {
    case State::Plain:
        plain(unit);
        break;
    case State::Escape:
    case State::EscapeIntermediate:
        escape(unit);
        break;
    case State::Csi:
        csi(unit);
        break;
    case State::String:
    case State::StringEscape:
        string(unit);
        break;
    case State::Utf8:
        utf8(unit);
        break;
    }
}

void TerminalDecoder::feedText(qsizetype from, qsizetype to)
{
    fallBack();
    showExact(from, to);
}

ShownLine TerminalDecoder::finish()
{
    fallBack();
    if (m_bytes)
        m_bytes->resize(m_bytesShown);
    std::vector<qsizetype> &column = m_line.column;
    for (std::size_t i = column.size(); i-- > 0;) {
        if (column[i] < 0)
            column[i] = i + 1 < column.size() ? column[i + 1] : m_line.width;
    }
    return std::move(m_line);
}

void TerminalDecoder::start(State state, const Unit &unit)
{
    m_state = state;
    m_pending[0] = unit;
    m_pendingCount = 1;
}

void TerminalDecoder::plain(const Unit &unit)
{
    const std::uint8_t b = unit.byte;
    if (m_choices.colours && b == 0x1B) {
        start(State::Escape, unit);
        return;
    }
    if (!m_choices.utf8 || b < 0xC2 || b > 0xF4) {
        showExact(unit.from, unit.to);
        return;
    }
    // The second byte's range rules out overlong forms, surrogates and
    // code points past U+10FFFF.
    m_utf8Left = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    m_code = b & (b < 0xE0 ? 0x1F : b < 0xF0 ? 0x0F : 0x07);
    m_low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    m_high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    start(State::Utf8, unit);
}

void TerminalDecoder::escape(const Unit &unit)
{
    const std::uint8_t b = unit.byte;
    const bool first = m_state == State::Escape;
    if (m_pendingCount == MaxSequence || !between(b, 0x20, 0x7E)) {
        fallBack();
        plain(unit);
        return;
    }
    m_pending[m_pendingCount++] = unit;
    if (between(b, 0x20, 0x2F))
        m_state = State::EscapeIntermediate;
    else if (first && b == '[')
        m_state = State::Csi;
    else if (first && (b == ']' || b == 'P' || b == 'X' || b == '^' || b == '_'))
        m_state = State::String;
    else
        complete();
}

void TerminalDecoder::csi(const Unit &unit)
{
    const std::uint8_t b = unit.byte;
    const bool afterIntermediate = between(m_pending[m_pendingCount - 1].byte, 0x20, 0x2F);
    if (m_pendingCount == MaxSequence || !between(b, 0x20, 0x7E) || (afterIntermediate && between(b, 0x30, 0x3F))) {
        fallBack();
        plain(unit);
        return;
    }
    m_pending[m_pendingCount++] = unit;
    if (b >= 0x40)
        complete();
}

void TerminalDecoder::string(const Unit &unit)
{
    const std::uint8_t b = unit.byte;
    const bool escaped = m_state == State::StringEscape;
    const bool fits = escaped ? b == '\\' : (b == 0x07 || b == 0x1B || (b >= 0x20 && b != 0x7F));
    if (m_pendingCount == MaxSequence || !fits) {
        fallBack();
        plain(unit);
        return;
    }
    m_pending[m_pendingCount++] = unit;
    if (b == 0x1B)
        m_state = State::StringEscape;
    else if (escaped || b == 0x07)
        complete();
}

void TerminalDecoder::utf8(const Unit &unit)
{
    const std::uint8_t b = unit.byte;
    if (!between(b, m_low, m_high)) {
        fallBack();
        plain(unit);
        return;
    }
    m_pending[m_pendingCount++] = unit;
    m_code = m_code << 6 | (b & 0x3F);
    m_low = 0x80;
    m_high = 0xBF;
    if (--m_utf8Left > 0)
        return;
    // C1 controls are no text: they show exactly, as any control byte does.
    if (m_code < 0xA0) {
        fallBack();
        return;
    }
    show(m_code, m_pending[0].from, unit.to);
    m_state = State::Plain;
    m_pendingCount = 0;
}

void TerminalDecoder::complete()
{
    const Unit &last = m_pending[m_pendingCount - 1];
    const bool sgr = m_state == State::Csi && last.byte == 'm';
    if (sgr && !applySgr()) {
        fallBack();
        return;
    }
    hide(m_pending[0].from, last.to);
    m_state = State::Plain;
    m_pendingCount = 0;
}

void TerminalDecoder::fallBack()
{
    for (int i = 0; i < m_pendingCount; ++i)
        showExact(m_pending[i].from, m_pending[i].to);
    m_state = State::Plain;
    m_pendingCount = 0;
}

void TerminalDecoder::showExact(qsizetype from, qsizetype to)
{
    if (!m_showing)
        return;
    if (m_text) {
        m_text->append(m_exact.sliced(from, to - from));
        return;
    }
    if (m_bytes) {
        showBytes(from, to);
        return;
    }
    for (qsizetype i = from; i < to; ++i) {
        m_line.column[std::size_t(i)] = m_line.width;
        m_line.cells.push_back({m_exact[i].unicode(), 1, m_style, i, i + 1});
        ++m_line.width;
    }
}

void TerminalDecoder::showBytes(qsizetype from, qsizetype to)
{
    std::memcpy(m_bytes->data() + m_bytesShown, m_exactBytes + from, std::size_t(to - from));
    m_bytesShown += to - from;
}

void TerminalDecoder::show(char32_t code, qsizetype from, qsizetype to)
{
    if (!m_showing)
        return;
    if (m_bytes) {
        showBytes(from, to);
        return;
    }
    if (m_text) {
        m_text->append(code > 0xFFFF ? QString::fromUcs4(&code, 1) : QString(QChar(char16_t(code))));
        return;
    }
    const int width = characterWidth(code);
    std::fill(m_line.column.begin() + from, m_line.column.begin() + to, m_line.width);
    m_line.cells.push_back({code, quint8(width), m_style, from, to});
    m_line.width += width;
}

void TerminalDecoder::hide(qsizetype from, qsizetype to)
{
    if (!m_showing || m_text || m_bytes)
        return;
    std::fill(m_line.column.begin() + from, m_line.column.begin() + to, m_line.width);
}

} // namespace quillar
