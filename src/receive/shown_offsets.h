#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>

namespace quillar {

class DisplayBuffer;

// The display's text as its choices show it, by offsets: each line's shown
// characters (a character beyond the first plane counts two), lines joined
// by CR LF as in the text itself. Maps the text's own positions to shown
// offsets and back. A line is decoded only when asked for; the shown starts
// of ended lines are kept, so that a line's start costs the lines before it
// once, and new lines as they end.
class ShownOffsets : public QObject
{
    Q_OBJECT

public:
    explicit ShownOffsets(const DisplayBuffer &buffer, QObject *parent = nullptr);

    [[nodiscard]] qsizetype length();
    // The shown offset of a position of the text; a hidden character maps
    // to the shown one after it, one inside a character's marker(s) to it.
    [[nodiscard]] qsizetype toShown(qsizetype position);
    // The text's position of a shown offset: the first character it shows.
    [[nodiscard]] qsizetype toExact(qsizetype offset);
    [[nodiscard]] qsizetype lineOf(qsizetype offset);
    [[nodiscard]] qsizetype lineStart(qsizetype line);
    [[nodiscard]] qsizetype lineLength(qsizetype line) const;
    // The shown text from..to (offsets), lines joined by CR LF.
    [[nodiscard]] QString text(qsizetype from, qsizetype to);

private:
    void reset();
    // Keeps the starts from line 1 on, the first line being cut at will.
    void dropCut();
    [[nodiscard]] qsizetype shownWithin(qsizetype line, qsizetype within) const;
    [[nodiscard]] qsizetype exactWithin(qsizetype line, qsizetype offset) const;

    const DisplayBuffer &m_buffer;
    // m_starts[i]: the shown start of the line numbered m_firstKept + i,
    // from an origin of its own; only ended lines after line 0.
    std::deque<qint64> m_starts;
    mutable QByteArray m_bytes; // a line's bytes as shown, its room kept
    qint64 m_firstKept = -1;
};

} // namespace quillar
