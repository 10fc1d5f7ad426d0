#include "reconnect.h"

#include "port/mscomm.h"
#include "port/toggle_port.h"
#include "port/port_pair.h"
#include "port/remote_address.h"
#include "port/serial_errors.h"

#include <algorithm>
#include <utility>

namespace quillar {

Reconnect::Reconnect(MSComm &comm, PortReopener &toggle, Clock &clock, QObject *parent)
    : QObject(parent),
      m_comm(comm),
      m_toggle(toggle),
      m_grace(clock),
      m_retry(clock),
      m_remoteTry(clock)
{
    connect(&m_grace, &ClockTimer::timeout, this, &Reconnect::graceOver);
    connect(&m_retry, &ClockTimer::timeout, this, [this] {
        check();
        if (m_state == State::Refused)
            m_retry.start(std::chrono::milliseconds(RetryMs));
    });
    connect(&m_watch, &DeviceWatch::changed, this, &Reconnect::check);
    connect(&m_comm, &MSComm::portOpenChanged, this, [this](bool open) {
        if (open)
            portOpened();
    });
    connect(&m_remoteTry, &ClockTimer::timeout, this, &Reconnect::remoteTry);
    connect(&m_comm, &MSComm::connectFailed, this, &Reconnect::remoteTryFailed);
}

void Reconnect::portOpened()
{
    const bool returned = isWatching();
    // A reopen by path keeps the link it was first found through.
    const QString path = m_comm.devicePath();
    // A pair, like a remote port, has no one device to watch: it is tried
    // again until both its sides open.
    m_remote = isRemoteAddress(path) || isPairPath(path) ? path : QString();
    m_identity = m_remote.isEmpty() ? identifyDevice(path, m_comm.commLink()) : DeviceIdentity();
    stop();
    if (returned)
        emit reopened();
}

void Reconnect::deviceVanished()
{
    if (m_comm.portOpen() || m_comm.portConnecting())
        return;
    m_tries = 0;
    if (!m_remote.isEmpty()) {
        m_state = State::Away;
        m_remotePause = RemoteFirstTryMs;
        m_remoteReported = false;
        m_remoteTry.start(std::chrono::milliseconds(m_remotePause));
        return;
    }
    if (m_identity.isEmpty())
        return;
    m_state = State::Away;
    m_watch.watch(watchPoints(m_identity));
}

void Reconnect::startUpConnecting()
{
    if (!m_comm.portConnecting() || !isRemoteAddress(m_comm.devicePath()))
        return;
    m_remote = m_comm.devicePath();
    m_identity = DeviceIdentity();
    m_tries = 1;
    m_state = State::StartingUp;
    m_remotePause = RemoteFirstTryMs;
    m_remoteReported = false;
    m_toggle.setConnectReported(false);
}

void Reconnect::stop()
{
    // A try still connecting gives way to the user; start-up's own is the
    // user's to cancel, and reported as it was before.
    if (m_state == State::StartingUp)
        m_toggle.setConnectReported(true);
    else if (m_state != State::Idle && m_comm.portConnecting())
        m_comm.setPortOpen(false);
    m_state = State::Idle;
    m_watch.stop();
    m_grace.stop();
    m_retry.stop();
    m_remoteTry.stop();
}

void Reconnect::remoteTry()
{
    if (m_state == State::Idle)
        return;
    ++m_tries;
    if (!m_toggle.reopen(m_remote, false) && !m_comm.portConnecting())
        m_remoteTry.start(std::chrono::milliseconds(m_remotePause)); // failed at once; connectFailed will not come
}

void Reconnect::remoteTryFailed(int number, const QString &description)
{
    if (m_state == State::Idle || m_remote.isEmpty())
        return;
    // Not there yet is the normal wait; a server that answered but would
    // not open the port has something to say.
    if (number != serial_errors::OtherOpenFailure && !std::exchange(m_remoteReported, true))
        m_toggle.reportReopenFailure(NumberedError(number, description));
    m_state = State::Away;
    m_remotePause = std::min(m_remotePause * 2, int(RetryMs));
    m_remoteTry.start(std::chrono::milliseconds(m_remotePause));
}

void Reconnect::check()
{
    if (m_state == State::Idle)
        return;
    // Folders on the way may have come or gone.
    m_watch.watch(watchPoints(m_identity));
    const std::optional<QString> device = returnedDevice(m_identity);
    if (!device) {
        // Gone again before it opened: the next return is a new one.
        m_state = State::Away;
        m_grace.stop();
        m_retry.stop();
        return;
    }
    if (m_state == State::Away) {
        m_state = State::Settling;
        m_grace.start(std::chrono::milliseconds(GraceMs));
    }
    ++m_tries;
    (void)m_toggle.reopen(*device, false);
}

void Reconnect::graceOver()
{
    if (m_state != State::Settling)
        return;
    const std::optional<QString> device = returnedDevice(m_identity);
    if (!device) {
        m_state = State::Away;
        return;
    }
    m_state = State::Refused;
    m_retry.start(std::chrono::milliseconds(RetryMs));
    ++m_tries;
    (void)m_toggle.reopen(*device, true);
}

} // namespace quillar
