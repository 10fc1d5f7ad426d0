#pragma once

#include "receive/text_blocks.h"
#include "receive/text_delta.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace quillar {

class DisplayBuffer;
class ShownOffsets;
class DisplayView;

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
    // A position of the display as the reader counts it.
    [[nodiscard]] int read(qsizetype position) const;

    DisplayView &m_view;
    ShownOffsets *m_shown;
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
