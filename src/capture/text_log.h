#pragma once

#include "receive/display_buffer.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>

namespace quillar {

// The display's lines as a timestamped UTF-8 text, fed with every text the
// display appends. Each line is written as the display shows it ([CR], [LF],
// [XX], <NNN>, "(LF)"), after the local time at which its first character
// came, to the millisecond ("2026-12-06 21:43:07.123 "), and ends in a line
// feed where the display breaks it (CR LF, which may come split over two
// appends). The display's trimming, Clear and bound changes never reach it:
// each line keeps the rendering it was received with.
//
// A line goes out piece by piece as it grows, so a line that never ends (a
// stream with no quiet gap) costs no memory here and is on the disk all the
// same. A control character inside a line (a lone CR or LF, or a byte below
// 32 that the bounds let through as itself) is written as its Unicode
// control picture (U+2400 to U+241F, U+2421 for 127), so that one line of
// the file is one line of the display and a terminal showing the file is
// not steered by it.
//
// A display line that goes on across a new opening of the port (the design
// keeps the line when the user closes and opens, even another device)
// holds bytes of two openings: the log ends its line there and goes on in
// a line of its own, with the time of the new opening's first byte, after
// the mark "↪" (U+21AA, which no received byte is shown as).
class TextLog final : public DisplayAppendObserver
{
public:
    // Receives the UTF-8 text to append to the file.
    using Sink = std::function<void(QByteArray)>;

    explicit TextLog(Sink sink);

    // arrived: the characters' times, in milliseconds since the epoch,
    // written in local time; the display's time column shows the same.
    void displayAppended(QStringView text, const TimeMarks &arrived, bool newOpening) override;
    // The end of the session: a line still open is ended with a line feed.
    void finish();

    // What goes on a line that continues the display's line of another
    // opening, first.
    static constexpr char16_t Continued = 0x21AA;

private:
    void startLine(qint64 arrivedMs);
    void endLine();

    Sink m_sink;
    QString m_out; // reused between appends
    bool m_inLine = false;
    bool m_pendingCr = false; // a CR ended the last append; an LF may follow
    bool m_continued = false; // the next line goes on with the display's
    qint64 m_stampTime = -1;
    QString m_stamp;
};

} // namespace quillar
