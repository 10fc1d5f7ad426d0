#pragma once

#include "byte_renderer.h"
#include "platform/comm_events.h"
#include "platform/stamped_bytes.h"
#include "line_timer.h"
#include "received_lines.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillar {

class DisplayBuffer;

// The boxes the receive rules follow, as their texts stand: the window
// gives them again whenever one changes, and the next read uses them.
struct ReceiveSettings
{
    QString lowerBound;   // Text4
    QString higherBound;  // Text2
    QString lineFeedTime; // Text1

    friend bool operator==(const ReceiveSettings &, const ReceiveSettings &) = default;
};

// Turns each read of received bytes into display text, counts bytes in
// LineByteCount, and ends lines after the quiet time with Timer1.
class ReceivePath : public QObject
{
    Q_OBJECT

public:
    // clock: where Timer1 reads the time.
    ReceivePath(DisplayBuffer &display, ReceiveSettings settings, Clock &clock = Clock::steady(),
                QObject *parent = nullptr);

    // The boxes changed: the next read renders and times with these.
    void setSettings(ReceiveSettings settings);

    // One read of Input: renders every byte into one chunk and appends it once,
    // with Timer1 held while it renders and armed again after the append. A
    // read of any size is one chunk; an empty read still appends (moving the
    // caret) and restarts the timer. The bytes' times go with their text: a
    // line takes the time its first byte was read.
    // Bytes of a pair's sides (input.sides, once side names are given) never
    // share a line: a change of side ends the line as the line-end rule
    // does (a timed line end "<NNN>" with a quiet time, CR LF without),
    // and each line starts with its side's name (sidePrefix).
    void receive(const StampedBytes &input); // ReceiveInput
    // The quiet time passed (Timer1's event): the timed line end "<NNN>"
    // CR LF, then idle.
    void lineTimeout();
    // The line-feed time box (Text1) changed: the count starts again.
    void lineFeedTimeChanged();
    // The forced line feed (Command3): "(LF)" CR LF.
    void forcedLineFeed();
    // The device came back and the port opened again by itself: a line it
    // left unfinished ends here, so that what the device sends now starts
    // a line of its own, with its own time; unless the timer is about to
    // end the line (its quiet time keeps its rule).
    void deviceReturned();
    // The same for one side of a pair that came back: a line of its own
    // that it left unfinished ends here.
    void sideReturned(int side);

    // The names of the pair whose bytes come next, by side; none for a
    // single port, whose bytes carry no sides.
    void setSideNames(QStringList names);

    // LineByteCount. Kept in 64 bits and held at its largest value rather than
    // wrapping, so no run is long enough to make it wrong or negative.
    [[nodiscard]] qint64 lineByteCount() const;
    void setLineByteCount(qint64 count);

    // From now on each display line's received bytes go to sink once the
    // line ends, whole (ReceivedLines); an empty sink: nowhere.
    void setLineSink(ReceivedLines::Sink sink);

    [[nodiscard]] LineTimer &lineTimer() { return m_timer; } // Timer1

    // The quiet time that ends a line, in whole milliseconds, as the next read
    // will arm Timer1 with it: 0 when lines end on line feeds only.
    [[nodiscard]] qint64 lineFeedInterval() const;

    // The timed line end for a count: "<", at least three digits, ">", CR LF.
    [[nodiscard]] static QString timedLineEnd(qint64 count);

private:
    [[nodiscard]] const ByteRenderer &renderer();
    void endLine();
    void receiveRun(const StampedBytes &run, bool sided);
    void endSideLine();

    DisplayBuffer &m_display;
    ReceiveSettings m_settings;
    LineTimer m_timer;
    qint64 m_lineByteCount = 0;

    // The rendering table, made at the first read after the boxes changed:
    // typing in a box makes none, and small reads are the rule.
    std::optional<ByteRenderer> m_renderer;
    // Only while someone reads the lines: none costs nothing.
    std::optional<ReceivedLines> m_lines;
    QStringList m_sideNames;
    // The side the last line's bytes came from; -1 before any.
    int m_side = -1;
};

} // namespace quillar
