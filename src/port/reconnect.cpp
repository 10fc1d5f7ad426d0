#include "reconnect.h"

#include "port/mscomm.h"
#include "port/port_toggle.h"

namespace quillar {

Reconnect::Reconnect(MSComm &comm, PortToggle &toggle, QObject *parent)
    : QObject(parent), m_comm(comm), m_toggle(toggle)
{
    m_grace.setSingleShot(true);
    m_grace.setInterval(GraceMs);
    m_retry.setInterval(RetryMs);
    connect(&m_grace, &QTimer::timeout, this, &Reconnect::graceOver);
    connect(&m_retry, &QTimer::timeout, this, &Reconnect::check);
    connect(&m_watch, &DeviceWatch::changed, this, &Reconnect::check);
    connect(&m_comm, &MSComm::portOpenChanged, this, [this](bool open) {
        if (open)
            portOpened();
    });
}

void Reconnect::portOpened()
{
    // A reopen by path keeps the link it was first found through.
    m_identity = identifyDevice(m_comm.devicePath(), m_comm.commLink());
    stop();
}

void Reconnect::deviceVanished()
{
    if (m_identity.isEmpty() || m_comm.portOpen())
        return;
    m_state = State::Away;
    m_watch.watch(watchPoints(m_identity));
}

void Reconnect::stop()
{
    m_state = State::Idle;
    m_watch.stop();
    m_grace.stop();
    m_retry.stop();
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
        m_grace.start();
    }
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
    m_retry.start();
    (void)m_toggle.reopen(*device, true);
}

} // namespace quillar
