#pragma once

#include "receive/text_blocks.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace quillar {

class DisplayBuffer;
class DisplayView;

// How the display's text moved on between two announcements: removed
// characters at the front (cuts and clears), then text added at the end.
struct TextDelta
{
    QString removed;        // taken from the front of the old text
    qsizetype insertAt = 0; // where the added text starts in the new text
    QString inserted;

    friend bool operator==(const TextDelta &, const TextDelta &) = default;
};

// From the text last announced, which started at position announcedFrom
// (counted from the first character the display ever held), to the text
// now. The display only ever loses characters at its front and gains them
// at its end, so this is exact.
[[nodiscard]] TextDelta textDelta(const TextSlice &announced, qint64 announcedFrom, const DisplayBuffer &now);

// Tells assistive technology what the display shows (Text3 as an editable,
// read-only, multi-line text with caret and selection), and what changes.
// Changes of a fast stream are merged, at most a few announcements a second,
// so that the accessibility bus is never flooded; a selection or caret move
// the user makes is announced at once when nothing is streaming.
// Installs, once, the accessibility factory that gives every DisplayView its
// interface. Costs nothing while no assistive technology listens.
class DisplayAnnouncer : public QObject
{
public:
    static constexpr int MergeMs = 250;

    explicit DisplayAnnouncer(DisplayView &view);

    // Announces what is pending now (also run by the merge timer).
    void flush();

private:
    void textChanged();
    void selectionChanged();
    void announceCaretAndSelection();

    DisplayView &m_view;
    QTimer m_merge;
    // The text as last announced, shared with the display, to tell what a
    // cut took.
    TextSlice m_announced;
    qint64 m_announcedFrom = 0;
    qsizetype m_caret = 0;
    qsizetype m_selStart = 0;
    qsizetype m_selEnd = 0;
};

} // namespace quillar
