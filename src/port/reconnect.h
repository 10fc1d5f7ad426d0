#pragma once

#include "port/device_identity.h"
#include "port/device_watch.h"

#include "platform/clock.h"

#include <QObject>

namespace quillar {

class MSComm;
class PortReopener;

// Reopens a port whose device vanished, once the same device is back: the
// COM<N> link it was opened through leading to a device again, or (opened
// without a link) the same path, or the same by-id name. Until it is back
// nothing runs but a watch on a few folders.
//
// The system makes a device before it gives it its group, and another
// program may hold a new device for a moment (a modem prober), so the first
// second after it appears is tried quietly; a device still refused after that
// is reported once as a failed open is, then tried quietly again every few
// seconds and at every change, until it opens, vanishes again (a new second of
// grace when it returns), or the user takes over.
//
// A remote port has nothing to watch: it is tried again after a pause that
// doubles from RemoteFirstTryMs up to RetryMs, a timer the only thing that
// runs meanwhile. A server that is not there yet is never reported; one that
// answers but will not open the port (a rate it does not take) is, once.
class Reconnect : public QObject
{
    Q_OBJECT

public:
    static constexpr int GraceMs = 1000;
    static constexpr int RetryMs = 2000;
    static constexpr int RemoteFirstTryMs = 100;

    // clock: where its waits are timed, the program's or a test's.
    Reconnect(MSComm &comm, PortReopener &toggle, Clock &clock = Clock::steady(), QObject *parent = nullptr);

    // The control closed the port because its device vanished: watch for it.
    void deviceVanished();
    // Start-up's own opening is connecting to a remote port: should its
    // server not be up yet, it is tried again as one that went away.
    void startUpConnecting();
    // The user pressed Open or Close, or edited the port box.
    void stop();
    [[nodiscard]] bool isWatching() const { return m_state != State::Idle; }
    // How often it has tried to open the device since it began watching.
    [[nodiscard]] int tries() const { return m_tries; }

signals:
    // It opened the port again, as the device came back.
    void reopened();

private:
    // StartingUp: start-up's own connect is under way (the user's to cancel).
    enum class State { Idle, StartingUp, Away, Settling, Refused };

    void portOpened();
    void check();
    void graceOver();
    void remoteTry();
    void remoteTryFailed(int number, const QString &description);

    MSComm &m_comm;
    PortReopener &m_toggle;
    DeviceIdentity m_identity;
    DeviceWatch m_watch;
    ClockTimer m_grace;
    ClockTimer m_retry;
    int m_tries = 0;
    State m_state = State::Idle;
    QString m_remote; // the address of a remote port; empty for a device
    ClockTimer m_remoteTry;
    int m_remotePause = RemoteFirstTryMs;
    bool m_remoteReported = false;
};

} // namespace quillar
