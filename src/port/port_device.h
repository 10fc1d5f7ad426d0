#pragma once

#include "port/comm_settings.h"
#include "platform/comm_events.h"
#include "platform/stamped_bytes.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace quillar {

// One kind of device behind the serial control: a local serial port, or
// another kind that carries the same stream and line conditions. The control
// (MSComm) drives it on the GUI thread; it reads on its own, keeps what it
// read until taken, stamped with the time of each read (where it reads, so
// that the pace of the hand-overs changes no time), and reports line
// conditions and its end.
class PortDevice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the device at `path` and applies `settings`, as the driver really
    // took them; `shownAs` is how the user knows it (COM3, when a link led
    // there), for the failure's description. Throws NumberedError. A device
    // that cannot know at once (one across the network) may return while
    // still connecting: then connected or connectFailed follows.
    virtual void open(const QString &path, const QString &shownAs, const CommSettings &settings) = 0;
    [[nodiscard]] virtual bool isConnecting() const { return false; }
    // New settings on the open device; 380 when refused, and the device
    // keeps what it had.
    virtual void applySettings(const CommSettings &settings) = 0;
    // The settings as the device took them.
    [[nodiscard]] virtual CommSettings settings() const = 0;
    // Closes; what was read and not taken is dropped.
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    // How many read bytes wait to be taken, and up to max of them, in order,
    // with the times they were read.
    [[nodiscard]] virtual qint64 available() const = 0;
    [[nodiscard]] virtual StampedBytes take(qint64 max) = 0;
    // How many bytes the device has read since it opened.
    [[nodiscard]] virtual quint64 received() const = 0;
    // Asks for one readyRead once more than `seen` bytes have been read in
    // all (at once when they already have). Otherwise the device reads on
    // without telling, so that whoever paces the deliveries chooses when the
    // GUI thread wakes.
    virtual void notifyAfter(quint64 seen) = 0;
    // Reading ends: what the device holds now is read, and nothing after,
    // which stays with the system; what was read can still be taken. So a
    // close that follows the last hand-over drops no byte that was read.
    virtual void stopReading() = 0;

signals:
    void readyRead();
    void lineEvent(quillar::CommEvent event);
    // The device is gone; bytes read before it went can still be taken.
    void hungUp();
    // The end of an open that returned while connecting: the device is open,
    // or it failed as open would have thrown, and is closed.
    void connected();
    void connectFailed(int number, const QString &description);
};

} // namespace quillar
