#include "text_delta.h"

#include "display_buffer.h"

#include <algorithm>

namespace quillar {

TextDelta textDelta(const TextSlice &announced, qint64 announcedFrom, const DisplayBuffer &now)
{
    const qint64 removed = now.removedCount();
    TextDelta delta;
    const qint64 cut = std::clamp<qint64>(removed - announcedFrom, 0, announced.size());
    delta.removed = announced.mid(0, qsizetype(cut)).toString();
    // What is left of the old text stands at the start of the new one.
    const qint64 insertFrom = std::max(announcedFrom + announced.size(), removed);
    delta.insertAt = std::min(qsizetype(insertFrom - removed), now.length());
    delta.inserted = now.mid(delta.insertAt, now.length() - delta.insertAt);
    return delta;
}

} // namespace quillar
