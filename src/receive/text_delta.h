#pragma once

#include "text_blocks.h"

#include <QString>

namespace quillar {

class DisplayBuffer;

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

} // namespace quillar
