#pragma once

#include "platform/stamped_bytes.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace quillar {

// Received text as the display is given it: the characters, their times
// (marks in characters) and a bit for each character that opens a byte's
// marker (ByteRenderer::render).
struct ReceivedText
{
    QString text;
    TimeMarks marks;
    std::vector<quint64> markers;
};

// What starts each line of side `side` of a pair: its name, padded to the
// longer of the two names, and "> ", so that the text after it lines up.
[[nodiscard]] QString sidePrefix(const QStringList &names, int side);

// One side's text with `prefix` at the start of each line it starts: at its
// first character when `startsLine`, and after each CR LF that text
// follows. A prefix takes the time of the character after it, and opens no
// marker.
[[nodiscard]] ReceivedText withSidePrefixes(const ReceivedText &run, QStringView prefix, bool startsLine);

} // namespace quillar
