#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace quillar {

class DisplayBuffer;

// What the receive path reads from the window's boxes at the moment of use.
struct ReceiveBoxes
{
    std::function<QString()> lowerBound;   // Text4
    std::function<QString()> higherBound;  // Text2
    std::function<QString()> lineFeedTime; // Text1
};

// Turns each read of received bytes into display text, counts bytes in
// LineByteCount, and ends lines after the quiet time with Timer1.
class ReceivePath : public QObject
{
    Q_OBJECT

public:
    ReceivePath(DisplayBuffer &display, ReceiveBoxes boxes, QObject *parent = nullptr);

    // One read of Input: renders every byte into one chunk and appends it once.
    void ReceiveInput(const QByteArray &input);
    // Timer1's event: the timed line end "<NNN>" CR LF, then idle.
    void Timer1_Timer();
    // Change of Text1: the count starts again.
    void Text1_Change();

    [[nodiscard]] qint64 lineByteCount() const;
    void setLineByteCount(qint64 count);
};

// The status text for an event code other than 2 (received bytes).
[[nodiscard]] QString commEventStatus(int code, const QString &portBoxText);

} // namespace quillar
