#pragma once

#include "cell_style.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillar {

// The display choices that change what the received bytes show as.
struct ShowChoices
{
    bool colours = false; // Select Graphic Rendition sets the style; other sequences hide
    bool utf8 = false;    // valid UTF-8 shows as its characters

    [[nodiscard]] bool any() const { return colours || utf8; }
    friend bool operator==(const ShowChoices &, const ShowChoices &) = default;
};

// One shown character: its text (one UTF-16 unit, or a surrogate pair), the
// columns it takes, its style, and the characters of the display's own text
// (from..to, within the line) that it stands for.
struct ShownCell
{
    char32_t code = 0;
    quint8 width = 1;
    CellStyle style;
    qsizetype from = 0;
    qsizetype to = 0;
};

// A line of the display as the choices show it. column[i] is the column at
// which the line's own character i (0..length) shows, or before which it
// hides; a character hidden at the end maps to the line's width.
struct ShownLine
{
    std::vector<ShownCell> cells;
    std::vector<qsizetype> column;
    qsizetype width = 0;
    // The whole row's background (a highlight rule's), or Default.
    quint32 background = CellStyle::Default;

    [[nodiscard]] QString text() const;
    // The first of the line's own characters that shows at column or later
    // (the line's length past the end).
    [[nodiscard]] qsizetype positionAtColumn(qsizetype column) const;
};

// The columns a character takes: two for the wide East Asian ones and most
// emoji, one for the rest.
[[nodiscard]] int characterWidth(char32_t code);

// Turns one line's received bytes, each with the characters that show it
// exactly, into what the choices show. Control sequences (ESC [ ... final,
// ESC ] ... BEL or ESC \, ESC with a final byte) are hidden and Select
// Graphic Rendition ones applied; a malformed one, one longer than
// MaxSequence bytes, or one the line ends in, shows its bytes exactly. A
// byte that no valid UTF-8 sequence holds shows exactly.
class TerminalDecoder
{
public:
    static constexpr int MaxSequence = 64;

    // exact: the line's own text, which feed() points into. Without it (a
    // null view) the decoder follows the style alone and shows nothing.
    TerminalDecoder(ShowChoices choices, QStringView exact, CellStyle start = {});
    // Shows into text alone (no cells, no columns, no styles): what find
    // and a screen reader's lengths ask of many lines.
    TerminalDecoder(ShowChoices choices, QStringView exact, QString &text);
    // Shows into bytes: each shown character as the bytes of exactBytes (the
    // line's bytes as the display's characters) it stands for. With the
    // UTF-8 choice off, that is the line's bytes without the sequences the
    // colours hide. bytes holds room for all of exactBytes; finish() cuts it
    // to what was shown.
    TerminalDecoder(ShowChoices choices, const char *exactBytes, QByteArray &bytes);

    // A received byte, shown exactly by the characters from..to of the text.
    void feed(std::uint8_t byte, qsizetype from, qsizetype to);
    // ESC [ params m, from..to, whose parameters are digits and semicolons
    // alone, arriving while idle(): what feeding it byte by byte does.
    void feedSgr(QByteArrayView params, qsizetype from, qsizetype to);
    // Units from..to (received bytes or their markers) whose bytes
    // showsAsItself() while idle(): shown at once.
    void feedRun(qsizetype from, qsizetype to);
    [[nodiscard]] const ShowChoices &choices() const { return m_choices; }
    // Whether the byte, arriving while idle(), shows as its character.
    [[nodiscard]] bool showsAsItself(std::uint8_t byte) const
    {
        return !(m_choices.colours && byte == 0x1B) && !(m_choices.utf8 && byte >= 0xC2 && byte <= 0xF4);
    }
    // Characters from..to that are no received byte (a marker the display
    // writes itself): shown as they are, ending any sequence before them.
    void feedText(qsizetype from, qsizetype to);
    // The line ends: a sequence still open shows its bytes.
    ShownLine finish();
    // Whether it shows what it is fed, and whether no sequence is open.
    [[nodiscard]] bool showing() const { return m_showing; }
    [[nodiscard]] bool idle() const { return m_state == State::Plain; }
    // The style the parameters of ESC [ params m leave after style: none
    // for a 38 or 48 whose colour is malformed, which then shows exactly. A
    // private form (a parameter starting with < = > ?) or one with
    // sub-parameters (:) changes nothing.
    [[nodiscard]] static std::optional<CellStyle> sgrStyle(QByteArrayView params, CellStyle style);
    // The style in force after what was fed.
    [[nodiscard]] const CellStyle &style() const { return m_style; }

private:
    enum class State : quint8 { Plain, Escape, EscapeIntermediate, Csi, String, StringEscape, Utf8 };
    struct Unit
    {
        std::uint8_t byte;
        qsizetype from;
        qsizetype to;
    };

    void plain(const Unit &unit);
    void escape(const Unit &unit);
    void csi(const Unit &unit);
    void string(const Unit &unit);
    void utf8(const Unit &unit);
    // Ends the pending sequence: hidden (and applied), or shown exactly.
    void complete();
    void fallBack();
    void start(State state, const Unit &unit);
    void showExact(qsizetype from, qsizetype to);
    void show(char32_t code, qsizetype from, qsizetype to);
    void hide(qsizetype from, qsizetype to);
    void showBytes(qsizetype from, qsizetype to);
    [[nodiscard]] bool applySgr();

    ShowChoices m_choices;
    QStringView m_exact;
    CellStyle m_style;
    State m_state = State::Plain;
    std::array<Unit, MaxSequence> m_pending; // written before it is read: no clearing per line
    int m_pendingCount = 0;
    // UTF-8: continuation bytes still wanted, the code point so far, and
    // the range the second byte must lie in.
    int m_utf8Left = 0;
    char32_t m_code = 0;
    std::uint8_t m_low = 0x80;
    std::uint8_t m_high = 0xBF;
    ShownLine m_line;
    QString *m_text = nullptr;
    const char *m_exactBytes = nullptr;
    QByteArray *m_bytes = nullptr;
    qsizetype m_bytesShown = 0;
    bool m_showing;
};

} // namespace quillar
