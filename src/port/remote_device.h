#pragma once

#include "platform/clock.h"
#include "port/held_bytes.h"
#include "port/port_device.h"
#include "port/remote_address.h"
#include "port/rfc2217_stream.h"

#include <QAbstractSocket>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

namespace quillar {

class NumberedError;

// A serial port on another machine, served over TCP: RFC 2217 (telnet with
// the COM port option), which sets the line and reports its conditions, or
// a plain TCP port that carries the bytes alone. Its path is the address,
// rfc2217://HOST:PORT or tcp://HOST:PORT.
//
// Opening returns at once and goes on in the event loop: name lookup,
// connection and the port's set-up, all within ConnectTimeoutMs. The socket
// is read on the GUI thread: the system keeps what arrived before the server
// closed, so nothing is lost waiting for the thread. Receive-only on the wire
// as well: over RFC 2217 it sends negotiation and COM port commands alone,
// over plain TCP nothing at all (the socket is opened for reading only).
// The server closing, or TCP keep-alive finding it gone, is a hang-up; a
// quiet line is not (tcp_keepalive.h).
class RemoteDevice : public PortDevice
{
    Q_OBJECT

public:
    static constexpr int ConnectTimeoutMs = 5000;
    // Read bytes held for the program at most; beyond it reading pauses, and
    // TCP holds the server back.
    static constexpr qint64 MaxHeld = 8 * 1024 * 1024;

    // clock: where the reads' times are taken.
    explicit RemoteDevice(int connectTimeoutMs = ConnectTimeoutMs, Clock &clock = Clock::steady(),
                          QObject *parent = nullptr);
    ~RemoteDevice() override;

    void open(const QString &path, const QString &link, const CommSettings &settings) override;
    [[nodiscard]] bool isConnecting() const override;
    void applySettings(const CommSettings &settings) override;
    [[nodiscard]] CommSettings settings() const override { return m_settings; }
    void close() override;
    [[nodiscard]] bool isOpen() const override;

    [[nodiscard]] qint64 available() const override { return m_held.size(); }
    [[nodiscard]] StampedBytes take(qint64 max) override;
    [[nodiscard]] quint64 received() const override { return m_received; }
    void notifyAfter(quint64 seen) override;
    void stopReading() override;

private:
    enum class State { Closed, Connecting, SettingUp, Open, Gone };

    void socketConnected();
    void readSocket();
    void readNow();
    void socketEnded();
    void deadlinePassed();
    void settingUp();
    void becomeOpen(const CommSettings &settings);
    void fail(const NumberedError &error);
    void send(const QByteArray &commands);
    void announce();
    [[nodiscard]] QString saidSoFar() const;

    int m_timeoutMs;
    Clock &m_clock;
    State m_state = State::Closed;
    RemoteAddress m_address;
    QString m_link;
    CommSettings m_asked;
    CommSettings m_settings;
    QPointer<QTcpSocket> m_socket;
    QTimer m_deadline;
    Rfc2217Stream m_stream;
    bool m_setUpSent = false;
    bool m_reading = false; // from the open until stopReading
    HeldBytes m_held;
    quint64 m_received = 0;
    bool m_notify = false;
    quint64 m_notifySeen = 0;
};

} // namespace quillar
