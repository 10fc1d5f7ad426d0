#pragma once

#include "colour_carry.h"
#include "highlight_rules.h"
#include "line_index.h"
#include "platform/stamped_bytes.h"
#include "scrollback.h"
#include "terminal_decoder.h"
#include "text_blocks.h"

#include <QObject>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace quillar {

// Where the display reads the time of the texts it writes itself (a timed
// line end, a forced line feed) and of a text that comes without times:
// milliseconds since the epoch, from the wall clock, as the text log writes
// it. Tests set it.
using ArrivalClock = std::function<qint64()>;

// Sees every text the display appends, in order, whatever the display then
// keeps of it, with the times its characters arrived (marks from offset 0
// on): the text log's feed. `newOpening` marks the first received text
// after the port opened again: bytes of another opening than those before
// it. Clear is not reported.
class DisplayAppendObserver
{
public:
    virtual void displayAppended(QStringView text, const TimeMarks &arrived, bool newOpening) = 0;

protected:
    ~DisplayAppendObserver() = default;
};

// What one change of the display did, for a view to show it: lines by
// their numbers (DisplayBuffer::firstLineNumber), which cuts at the front do
// not move. Changes merge, so a view that catches up once a frame learns all
// that happened since its last.
struct DisplayChange
{
    static constexpr qint64 NoLine = std::numeric_limits<qint64>::max();

    // The text changed: appended to, cut at the front or emptied.
    bool text = false;
    // Cleared: the numbers of the lines before name no line now.
    bool renumbered = false;
    // Whole lines cut at the front: line 0's number rose by as many.
    qint64 linesCut = 0;
    // The first line whose characters changed; every line after it is new.
    qint64 linesFrom = NoLine;
    // The lines that held the selection or the caret before, and those that
    // hold them now; none when they did not move.
    qint64 selectionFrom = NoLine;
    qint64 selectionTo = -1;

    [[nodiscard]] bool selectionMoved() const { return selectionFrom <= selectionTo; }
    // Merges a later change into this one.
    void merge(const DisplayChange &later);
    bool operator==(const DisplayChange &) const = default;
};

// The display's text as the program sees it: characters, lines separated by
// CR LF, lengths and cuts counted in characters. A cut may fall inside a CR LF
// pair; a lone CR or LF is an ordinary character of its line. Every
// character is one of Windows-1252's (others are kept as '?', as Save would
// write them). The widget that shows it (Text3) holds no text of its own.
class DisplayBuffer : public QObject
{
    Q_OBJECT

public:
    // clock: nullptr for the wall clock.
    explicit DisplayBuffer(QObject *parent = nullptr, ArrivalClock clock = {});

    void setScrollback(qsizetype characters) { m_limits = Scrollback::of(characters); }
    [[nodiscard]] const Scrollback &limits() const { return m_limits; }

    [[nodiscard]] qsizetype length() const { return m_text.size(); }
    [[nodiscard]] QChar at(qsizetype pos) const
    {
        return windows1252Table()[static_cast<unsigned char>(m_text.at(pos))];
    }
    [[nodiscard]] char byteAt(qsizetype pos) const { return m_text.at(pos); }
    // Characters from..from+count, clamped.
    [[nodiscard]] QString mid(qsizetype from, qsizetype count) const;
    // All of it: for short texts and tests; Save, Copy and find go by slices.
    [[nodiscard]] QString text() const { return mid(0, length()); }
    [[nodiscard]] TextSlice slice(qsizetype from, qsizetype to) const { return m_text.slice(from, to); }
    [[nodiscard]] const TextBlocks &blocks() const { return m_text; }

    // AppendDisplay: trims as Scrollback says and inserts text at the end.
    // With nothing selected, while following, the caret goes to the end;
    // otherwise caret and selection stay on their characters. The text is
    // taken by value, so appending the display's own text appends it as it
    // was before any cut. It arrived now.
    void append(QString text);
    // The same for received text, its characters' times in `arrived`: a
    // line that starts in it takes the time of its first character.
    // markers: a bit for each character that opens a byte's marker
    // (ByteRenderer::render), none when empty.
    void appendReceived(QString text, TimeMarks arrived, std::vector<quint64> markers = {});
    // Clear: the empty display.
    void clear();
    // One observer of appended texts, or none (nullptr); not owned.
    void setAppendObserver(DisplayAppendObserver *observer) { m_observer = observer; }

    // Whether the view shows the end of the text, so that appends with
    // nothing selected bring the caret there (the default).
    void setFollowing(bool following) { m_following = following; }
    [[nodiscard]] bool following() const { return m_following; }

    // Caret and selection, in characters. The selection runs between anchor
    // and caret.
    [[nodiscard]] qsizetype caret() const { return m_caret; }
    [[nodiscard]] qsizetype anchor() const { return m_anchor; }
    [[nodiscard]] qsizetype selStart() const { return std::min(m_anchor, m_caret); }
    [[nodiscard]] qsizetype selLength() const { return std::abs(m_caret - m_anchor); }
    [[nodiscard]] QString selectedText() const { return mid(selStart(), selLength()); }
    [[nodiscard]] TextSlice selectedSlice() const { return slice(selStart(), selStart() + selLength()); }
    // Positions are clamped to the text.
    void setSelection(qsizetype anchor, qsizetype caret);

    // Lines: a line ends before a CR LF pair; the text after the last pair is
    // the last line (possibly empty). There is always at least one line.
    [[nodiscard]] qsizetype lineCount() const { return m_lines.count(); }
    [[nodiscard]] qsizetype lineStart(qsizetype line) const { return qsizetype(m_lines.start(line) - m_removedCount); }
    // Length without the CR LF that ends the line.
    [[nodiscard]] qsizetype lineLength(qsizetype line) const;
    [[nodiscard]] QString lineText(qsizetype line) const { return mid(lineStart(line), lineLength(line)); }
    // The line that holds position pos (clamped to 0..length()). A position
    // between the CR and the LF of a break belongs to the line the pair ends.
    [[nodiscard]] qsizetype lineOfPosition(qsizetype pos) const;
    // The longest line, for the horizontal scroll range.
    [[nodiscard]] qsizetype maxLineLength() const;

    // When a line's first character arrived (ms since the epoch, the time the
    // text log writes before it); none for an empty last line. A line that a
    // cut shortened keeps its time.
    [[nodiscard]] std::optional<qint64> lineTime(qsizetype line) const { return m_lines.time(line); }
    // The time of the line before this one, also for the first line while
    // the one before it was cut away; none after Clear.
    [[nodiscard]] std::optional<qint64> previousLineTime(qsizetype line) const
    {
        return line > 0 ? m_lines.time(line - 1) : m_lines.timeBeforeFirst();
    }
    // The port opened at ms: times since then count from there, and the
    // next received text is told as another opening's.
    void markPortOpened(qint64 ms);
    // When the port last opened at or before ms, if it did.
    [[nodiscard]] std::optional<qint64> openedBefore(qint64 ms) const;

    // How many characters cuts and clears have taken from the front, in all.
    [[nodiscard]] qint64 removedCount() const { return m_removedCount; }
    // What the display choices show: the text stays as it is, each line is
    // shown through them (shownLine). Turning the colours on works out the
    // colours each kept line starts with.
    void setShowChoices(ShowChoices choices);
    [[nodiscard]] ShowChoices showChoices() const { return m_choices; }
    // Whether a choice shows lines otherwise than as their own characters.
    [[nodiscard]] bool showsOtherwise() const { return m_choices.any(); }
    // What starts a pair's sides' lines, shown in their colours
    // (Highlighter::setSidePrefixes).
    void setSidePrefixes(const QStringList &prefixes);
    // The highlight rules, applied to every line as it is shown.
    void setHighlightRules(const QList<HighlightRule> &rules);
    [[nodiscard]] const QList<HighlightRule> &highlightRules() const { return m_highlighter.rules(); }
    // Whether lines are painted as shownLine() gives them.
    [[nodiscard]] bool paintsShown() const { return showsOtherwise() || m_highlighter.active(); }
    // A line as the choices show it (with none, its own characters), the
    // highlights applied; valid until the next call.
    [[nodiscard]] const ShownLine &shownLine(qsizetype line) const;
    // The same without the highlights, and not kept: for reading many lines
    // once (find, a screen reader's offsets).
    [[nodiscard]] ShownLine decodedLine(qsizetype line) const;
    // decodedLine()'s text alone, found faster.
    [[nodiscard]] QString shownLineText(qsizetype line) const;
    // The line's bytes without the sequences the colours hide, UTF-8 left
    // as its bytes, into bytes: faster still, for telling which lines may
    // hold a text as shown.
    void shownBytes(qsizetype line, QByteArray &bytes) const;
    // The terminal colours in force where line starts, as the lines before
    // it left them (plain with the colours off).
    [[nodiscard]] CellStyle startStyle(qsizetype line) const;
    // The characters from..to as the choices show them, lines joined by
    // CR LF: what Copy gives while a choice is on.
    [[nodiscard]] QString shownText(qsizetype from, qsizetype to) const;
    [[nodiscard]] bool isMarker(qsizetype pos) const { return m_text.isMarker(pos); }

    // The number of line 0, counting every line the display ever held: a cut
    // raises it by the lines it took whole, and the lines kept keep their
    // numbers. A view that moves by that many lines without painting still
    // shows the right lines.
    [[nodiscard]] qint64 firstLineNumber() const { return m_lines.firstSequence(); }

signals:
    // Every change, as the view shows it; before textChanged and
    // selectionChanged.
    void changed(const quillar::DisplayChange &change);
    // The text changed: appended at the end (after an optional cut at the
    // front) or emptied.
    void textChanged();
    void selectionChanged();
    // The display choices or the highlights changed: every line may show
    // otherwise.
    void showChoicesChanged();

private:
    void append(QString text, TimeMarks arrived, bool received, const std::vector<quint64> &markers = {});
    // The line's characters as the code page's bytes, into bytes (whose
    // room is kept, so a pass over many lines allocates once).
    void lineBytes(qsizetype line, QByteArray &bytes) const;
    // Decodes line (its bytes from from on) through decoder, byte by byte as
    // the text shows them.
    void decodeLine(qsizetype line, TerminalDecoder &decoder) const;
    void decodeBytes(qsizetype line, const QByteArray &bytes, TerminalDecoder &decoder, qsizetype from = 0) const;
    // The byte whose marker starts at data[at], or -1 (start: the line's).
    [[nodiscard]] int markerAt(const char *data, qsizetype at, qsizetype length, qsizetype start) const;
    // Where the units from from on that decoder, idle, shows as themselves
    // end. rawEscape: the next ESC received as itself, kept between calls.
    [[nodiscard]] qsizetype runEnd(const char *data, qsizetype from, qsizetype length, qsizetype start,
                                   const TerminalDecoder &decoder, qsizetype &rawEscape) const;
    // Where the line's last escape (an ESC or its marker) before before
    // starts, or -1.
    [[nodiscard]] qsizetype escapeBefore(qsizetype line, const QByteArray &bytes, qsizetype before) const;
    // The style the line leaves whatever style it starts in, when its last
    // escape (at last) settles every part of it.
    [[nodiscard]] std::optional<CellStyle> settledStyle(qsizetype line, const QByteArray &bytes, qsizetype last) const;
    // The colours the lines from..to-1 (sequence numbers) leave to the next.
    void carryColours(qint64 from, qint64 to);
    void cutFront(qsizetype keep);
    void indexFrom(qsizetype from, const TimeMarks &arrived);
    // The number of the line that holds a position counted from the first
    // character ever; line 0's for one cut away.
    [[nodiscard]] qint64 lineNumberAt(qint64 absolutePosition) const;
    // The selection moved from absolute positions from..to (caret inside):
    // the lines that showed it then or show it now.
    void addSelectionMove(DisplayChange &change, qint64 from, qint64 to) const;

    TextBlocks m_text;
    LineIndex m_lines;
    Scrollback m_limits = Scrollback::of(Scrollback::Default);
    ArrivalClock m_clock;
    qsizetype m_anchor = 0;
    qsizetype m_caret = 0;
    bool m_following = true;
    qint64 m_removedCount = 0;
    std::vector<qint64> m_opened;
    bool m_openedSinceReceived = false;
    DisplayAppendObserver *m_observer = nullptr;
    ShowChoices m_choices;
    ColourCarry m_carry;
    Highlighter m_highlighter;
    mutable QByteArray m_lineRoom; // a line's bytes, its room kept from line to line
    // The line shown last, by its first character's absolute position and
    // its length: painting and the caret's moves ask for it again and again.
    struct ShownCache
    {
        qint64 start = -1;
        qsizetype length = -1;
        ShownLine line;
    };
    mutable ShownCache m_shown;
};

} // namespace quillar
