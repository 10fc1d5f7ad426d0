#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QSocketNotifier;

namespace quillar {

// Reads what the device sends, for the serial control: straight from the
// device, everything that waits in one read, into a buffer that Input takes
// from. After a small read it waits (read_pacing.h) and takes what arrived
// meanwhile on a timer, without re-arming the notification, so a busy line
// costs a wake-up every few milliseconds rather than one per arrival; a
// large read, or a timer that finds nothing, goes back to waiting for the
// next arrival. Every system call it makes is in serial_linux.cpp.
class PortReader : public QObject
{
    Q_OBJECT

public:
    explicit PortReader(QObject *parent = nullptr);
    ~PortReader() override;

    void start(int fd);
    void stop();

    // How many read bytes wait to be taken.
    [[nodiscard]] qint64 available() const { return m_buffer.size() - m_taken; }
    // Takes up to max bytes, in arrival order.
    [[nodiscard]] QByteArray take(qint64 max);
    // Reads what the device holds now, as a timer read does.
    void readNow();

    void setLongestPause(int milliseconds) { m_longestPause = std::max(0, milliseconds); }

signals:
    // Bytes wait to be taken.
    void readyRead();
    // The device is gone: a read found it hung up.
    void hungUp();

private:
    void readDevice(bool fromTimer);

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_pause;
    int m_longestPause = 0;
    QElapsedTimer m_sinceRead; // since the last read that found bytes
    QByteArray m_buffer;
    qint64 m_taken = 0;
};

} // namespace quillar
