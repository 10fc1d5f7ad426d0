#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringMatcher>
#include <QTimer>

#include <array>
#include <deque>
#include <functional>
#include <optional>

namespace quillar {

class DisplayBuffer;

// Find over the display's text as it is shown, so that "[1B]", "<012>" and
// "[CR][LF]" are found, case-insensitively unless asked. With a display
// choice on it finds what the choices show, line by line (a match within a
// line): a degree sign that arrived as two bytes, a word an escape sequence
// cuts in the bytes. Every position
// where the text occurs is a match, so "[00][00]" occurs three times in four
// zero bytes. It follows the display: matches cut from the front go, new
// text is searched as it comes.
//
// A search and the count run in slices of SliceBytes between the window's
// other events, so that a hundred million characters never hold the window
// still: a search goes first, then the count catches up.
class TextFinder : public QObject
{
    Q_OBJECT

public:
    // A few milliseconds of scanning.
    static constexpr qsizetype SliceBytes = qsizetype(4) << 20;
    // While the count is whole, new text waits this long to be counted, so
    // that a busy line costs one count a display frame.
    static constexpr int CatchUpMs = 40;

    explicit TextFinder(DisplayBuffer &buffer, QObject *parent = nullptr);

    // A new text to find: the first match at or after position from becomes
    // the current one (wrapping to the start), and the count starts again.
    // An empty text finds nothing.
    void find(const QString &pattern, bool matchCase, qsizetype from);
    [[nodiscard]] const QString &pattern() const { return m_pattern; }
    [[nodiscard]] bool matchCase() const { return m_matchCase; }
    // The characters of the text the current match takes.
    [[nodiscard]] qsizetype currentLength() const { return m_currentLength; }

    // The first match at or after from, or the last one before before; both wrap.
    void next(qsizetype from);
    void previous(qsizetype before);

    // Where the current match starts, if there is one.
    [[nodiscard]] std::optional<qsizetype> current() const;
    [[nodiscard]] bool searching() const { return m_seek.has_value(); }
    // Whether every match in the text has been counted.
    [[nodiscard]] bool counted() const;
    [[nodiscard]] qint64 count() const { return m_total; }
    // The current match's number from 1, once the count has passed it.
    [[nodiscard]] std::optional<qint64> currentNumber() const;
    // "3 di 17", "Nessuna occorrenza", ... for the find bar.
    [[nodiscard]] QString status() const;

    // Calls visit(position, length) for each match that starts in from..to.
    void matchesIn(qsizetype from, qsizetype to, const std::function<void(qsizetype, qsizetype)> &visit) const;
    // The most characters of the text a match can take before the position
    // it starts at is known: how far before a stretch to look for marks.
    [[nodiscard]] qsizetype reach() const;

    // One slice of the work left (the search, then the count); false when
    // none is left. The finder's own timer runs it; tests call it.
    bool work(qsizetype budget = SliceBytes);

signals:
    // A search ended, on a match or on none.
    void currentChanged();
    // The count, or the current match's number, changed.
    void countChanged();

private:
    struct Seek
    {
        bool forward;
        qint64 origin; // absolute: forward from it, backward before it
        qint64 at;     // absolute: where the scan goes on
        bool wrapped;
    };

    // Calls visit(position, length) for each match starting in from..to
    // (clamped) until it returns false.
    template <typename Visit>
    void scan(qsizetype from, qsizetype to, Visit &&visit) const;
    template <typename Visit>
    void scanShown(qsizetype from, qsizetype to, Visit &&visit) const;
    [[nodiscard]] bool shown() const;
    [[nodiscard]] bool active() const { return shown() ? !m_pattern.isEmpty() : !m_needle.isEmpty(); }
    [[nodiscard]] bool matchesAt(qsizetype position) const;
    [[nodiscard]] bool holdsNeedle(QByteArrayView bytes) const;
    [[nodiscard]] qsizetype lastStart() const; // one past the last position a match can start at
    void textChanged();
    void startSeek(bool forward, qsizetype origin);
    void seekSlice(qsizetype budget);
    void countSlice(qsizetype budget);
    void schedule(int ms);
    void resetCount();

    DisplayBuffer &m_buffer;
    QString m_pattern;
    QStringMatcher m_matcher; // m_pattern's, for the text as shown
    // Whether a line's shownBytes() not holding m_needle rules out a match
    // in its text as shown.
    bool m_bytesTell = false;
    QByteArray m_firstBytes; // the bytes that fold to m_needle's first
    bool m_matchCase = false;
    QByteArray m_needle; // folded, in the display's bytes; empty: nothing to find
    std::array<unsigned char, 256> m_fold{};
    std::optional<qint64> m_current; // absolute
    qsizetype m_currentLength = 0;
    std::optional<Seek> m_seek;
    // Matches counted per stretch of ChunkSize positions, from m_firstChunk.
    static constexpr qint64 ChunkSize = qint64(1) << 16;
    std::deque<quint32> m_chunks;
    qint64 m_firstChunk = 0;
    qint64 m_countedTo = 0; // absolute: every match starting before it is counted
    qint64 m_total = 0;
    // The count reached the end once since the text to find was given: from
    // then on new text is counted as it comes, and the total is shown whole.
    bool m_countedOnce = false;
    qint64 m_seenRemoved = 0;
    QTimer m_timer;
};

} // namespace quillar
