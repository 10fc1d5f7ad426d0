#pragma once

#include "platform/stamped_bytes.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace quillar {

class ByteRenderer;

// The received bytes of each display line, handed on whole when the line
// ends, with the time its first byte was read: what the display's trimming
// and Clear keep of a line does not matter here. A line ends where its
// text breaks (a line feed that breaks the line, or CR and LF both shown as
// themselves) or where the receive rules end it (the quiet time, a forced
// line feed, a device's return). A line longer than MaxLine bytes is kept
// up to there.
class ReceivedLines
{
public:
    using Sink = std::function<void(QByteArrayView line, qint64 firstByteMs)>;
    static constexpr qsizetype MaxLine = 65536;

    explicit ReceivedLines(Sink sink) : m_sink(std::move(sink)) { }

    // One read as the display is given it, rendered by renderer.
    void received(QByteArrayView bytes, const TimeMarks &marks, const ByteRenderer &renderer);
    // A text of the receive rules' own ended the line.
    void lineEnded();

private:
    void add(char byte, qint64 ms);

    Sink m_sink;
    QByteArray m_line;
    qint64 m_firstMs = 0;
    bool m_lastCr = false; // the display's text ends in a CR: an LF breaks
};

} // namespace quillar
