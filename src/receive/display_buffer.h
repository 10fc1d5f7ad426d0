#pragma once

#include <QObject>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdlib>
#include <deque>

namespace quillar {

// Sees every text the display appends, in order, whatever the display then
// keeps of it: the text log's feed. Clear is not reported.
class DisplayAppendObserver
{
public:
    virtual void displayAppended(QStringView text) = 0;

protected:
    ~DisplayAppendObserver() = default;
};

// The display's text as the program sees it: characters, lines separated by
// CR LF, lengths and cuts counted in characters. A cut may fall inside a CR LF
// pair; a lone CR or LF is an ordinary character of its line. The widget that
// shows it (Text3) holds no text of its own.
class DisplayBuffer : public QObject
{
    Q_OBJECT

public:
    // Only an appended text that ends in a line feed may cut, and only a
    // display longer than TrimThreshold is cut, to its last KeptLength characters.
    static constexpr qsizetype TrimThreshold = 19999;
    static constexpr qsizetype KeptLength = 19900;
    // Safety net for a stream that never ends a text in a line feed (timer
    // mode without quiet gaps): past this length after an append, the display
    // is cut to its last KeptLength characters.
    static constexpr qsizetype SafetyLimit = 100000;

    explicit DisplayBuffer(QObject *parent = nullptr);

    [[nodiscard]] const QString &text() const { return m_text; }
    [[nodiscard]] qsizetype length() const { return m_text.size(); }

    // AppendDisplay: trims as above, puts the caret at the end with nothing
    // selected, and inserts text there. The text is taken by value, so
    // appending the display's own text appends it as it was before any cut.
    void append(QString text);
    // Clear: the empty display.
    void clear();
    // One observer of appended texts, or none (nullptr); not owned.
    void setAppendObserver(DisplayAppendObserver *observer) { m_observer = observer; }

    // Caret and selection, in characters. The selection runs between anchor
    // and caret.
    [[nodiscard]] qsizetype caret() const { return m_caret; }
    [[nodiscard]] qsizetype anchor() const { return m_anchor; }
    [[nodiscard]] qsizetype selStart() const { return std::min(m_anchor, m_caret); }
    [[nodiscard]] qsizetype selLength() const { return std::abs(m_caret - m_anchor); }
    [[nodiscard]] QString selectedText() const { return m_text.mid(selStart(), selLength()); }
    // Positions are clamped to the text.
    void setSelection(qsizetype anchor, qsizetype caret);

    // Lines: a line ends before a CR LF pair; the text after the last pair is
    // the last line (possibly empty). There is always at least one line.
    [[nodiscard]] qsizetype lineCount() const { return static_cast<qsizetype>(m_lineStarts.size()); }
    [[nodiscard]] qsizetype lineStart(qsizetype line) const
    {
        return static_cast<qsizetype>(m_lineStarts[static_cast<std::size_t>(line)] - m_removedCount);
    }
    // Length without the CR LF that ends the line.
    [[nodiscard]] qsizetype lineLength(qsizetype line) const;
    [[nodiscard]] QStringView lineText(qsizetype line) const;
    // The line that holds position pos (clamped to 0..length()). A position
    // between the CR and the LF of a break belongs to the line the pair ends.
    [[nodiscard]] qsizetype lineOfPosition(qsizetype pos) const;
    // How often the text was cut at the front or cleared. A view compares it to
    // know whether the positions and lines it has seen still hold the same
    // characters, or whether everything moved.
    [[nodiscard]] quint64 cutCount() const { return m_cutCount; }
    // How many characters cuts and clears have taken from the front, in all.
    [[nodiscard]] qint64 removedCount() const { return m_removedCount; }
    // The number of line 0, counting every line the display ever held: a cut
    // raises it by the lines it took whole, and the lines after the first one
    // kept keep their numbers. A view that moves by that many lines without
    // painting still shows the right lines.
    [[nodiscard]] qint64 firstLineNumber() const { return m_firstLineNumber; }
    // Rises when line numbers seen before no longer name the same lines: a
    // clear, or a cut between the CR and the LF of a break (the LF joins the
    // line after it).
    [[nodiscard]] quint64 renumberings() const { return m_renumberings; }
    // The longest line, for the horizontal scroll range.
    [[nodiscard]] qsizetype maxLineLength() const;

signals:
    // The text changed: appended at the end (after an optional cut at the
    // front) or emptied. Views repaint and follow the caret.
    void textChanged();
    void selectionChanged();

private:
    void cutFront(qsizetype keep);
    void indexFrom(qsizetype from);

    QString m_text;
    qsizetype m_anchor = 0;
    qsizetype m_caret = 0;
    // Where each line starts, counted from the first character the display
    // ever held, so that a cut at the front only drops the lines it took
    // instead of renumbering the rest.
    std::deque<qint64> m_lineStarts{0};
    // The longest line that already ends in CR LF (-1: to be measured again
    // after a cut); the last line is measured when asked, since a CR at its
    // end may yet pair with an LF.
    mutable qsizetype m_maxLineLength = 0;
    quint64 m_cutCount = 0;
    qint64 m_removedCount = 0;
    qint64 m_firstLineNumber = 0;
    quint64 m_renumberings = 0;
    DisplayAppendObserver *m_observer = nullptr;
};

} // namespace quillar
