#include "mscomm.h"

#include "platform/numbered_error.h"
#include "port/pair_device.h"
#include "port/port_list.h"
#include "port/port_names.h"
#include "port/remote_address.h"
#include "port/remote_device.h"
#include "port/remote_errors.h"
#include "port/serial_device.h"
#include "port/serial_driver.h"
#include "port/serial_errors.h"

#include <QDir>

namespace quillar {

namespace {

[[noreturn]] void fail(int number, const QString &description)
{
    throw NumberedError(number, description);
}

[[noreturn]] void failAlreadyOpen()
{
    fail(ErrorNumber::PortAlreadyOpen, QStringLiteral("Porta già aperta"));
}

} // namespace

MSComm::MSComm(QString settingsFolder, QObject *parent)
    : QObject(parent),
      m_factory([this](const QString &path) -> std::unique_ptr<PortDevice> {
          if (isRemoteAddress(path))
              return std::make_unique<RemoteDevice>(RemoteDevice::ConnectTimeoutMs, *m_clock);
          return std::make_unique<SerialDevice>(LinuxSerialDriver::instance(), *m_clock);
      }),
      m_settingsFolder(std::move(settingsFolder))
{
    connect(m_frames, &FrameClock::handOver, this, &MSComm::deliverFrame);
}

MSComm::~MSComm()
{
    if (m_device) {
        m_device->disconnect(this);
        m_device->close();
    }
}

void MSComm::setDeviceFactory(DeviceFactory factory)
{
    m_factory = std::move(factory);
}

void MSComm::setCommPort(std::int16_t port)
{
    if (m_device)
        failAlreadyOpen();
    if (port < 1)
        throw serial_errors::noSuchPort(port, m_settingsFolder, 0);
    m_commPort = port;
}

std::int16_t MSComm::commPort() const
{
    return m_commPort;
}

void MSComm::setSettings(const QString &settings)
{
    const auto parsed = parseCommSettings(settings);
    if (!parsed)
        throw serial_errors::invalidSettings();
    if (portConnecting())
        failAlreadyOpen();
    if (portOpen()) {
        m_device->applySettings(*parsed); // refused: it keeps running on what it had
        m_settings = m_device->settings();
        return;
    }
    m_settings = *parsed;
}

QString MSComm::settings() const
{
    return m_settings.text();
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        deliverPendingInput();
        closePort();
        return;
    }
    if (m_device)
        failAlreadyOpen();

    const auto resolved = resolvePort(m_commPort, m_settingsFolder, [this] { return systemPorts(); });
    if (!resolved)
        throw serial_errors::noSuchPort(m_commPort, m_settingsFolder, systemPorts().size());
    m_commLink = resolved->fromLink ? QDir(m_settingsFolder).absoluteFilePath(comLinkName(m_commPort)) : QString();
    if (resolved->pair.kind == PairFile::Kind::Bad)
        throw remote_errors::badPair(m_commLink, resolved->pair);
    if (!resolved->badAddress.isEmpty())
        throw remote_errors::badAddress(m_commLink, resolved->badAddress, resolved->addressProblem);
    openResolved(resolved->path);
}

QString MSComm::consoleBehind() const
{
    const auto resolved = resolvePort(m_commPort, m_settingsFolder, [this] { return systemPorts(); });
    if (!resolved)
        return {};
    const QStringList consoles = systemConsoles(m_sources);
    QStringList paths{resolved->path};
    if (isPairPath(resolved->path)) {
        const PortPair pair = pairFromPath(resolved->path);
        paths = {pair.sides[0].where, pair.sides[1].where};
    }
    for (const QString &path : paths) {
        if (!isRemoteAddress(path) && carriesConsole(path, consoles))
            return path;
    }
    return {};
}

void MSComm::openDevice(const QString &path)
{
    if (m_device)
        failAlreadyOpen();
    // A pair's file is read again: its sides by number may lead elsewhere now.
    if (isPairPath(path)) {
        setPortOpen(true);
        return;
    }
    openResolved(path);
}

void MSComm::openResolved(const QString &path)
{
    std::unique_ptr<PortDevice> device = isPairPath(path) ? makePair() : m_factory(path);
    const qint64 began = m_clock->msSinceEpoch();
    device->open(path, m_commLink, m_settings);
    m_openedAtMs = began;
    m_device = std::move(device);
    m_devicePath = path;
    connect(m_device.get(), &PortDevice::readyRead, this, &MSComm::arrived);
    connect(m_device.get(), &PortDevice::lineEvent, this, [this](CommEvent event) {
        if (portOpen() && !m_vanishing)
            emit lineEvent(event);
    });
    connect(m_device.get(), &PortDevice::hungUp, this, &MSComm::deviceGone);
    if (!m_device->isConnecting()) {
        finishOpen();
        return;
    }
    connect(m_device.get(), &PortDevice::connected, this, &MSComm::finishOpen);
    connect(m_device.get(), &PortDevice::connectFailed, this, [this](int number, const QString &description) {
        closePort();
        emit connectFailed(number, description);
    });
}

void MSComm::finishOpen()
{
    m_settings = m_device->settings();
    m_vanishing = false;
    m_receiveScheduled = false;
    m_announced = 0;
    m_device->notifyAfter(0);
    emit portOpenChanged(true);
}

bool MSComm::portOpen() const
{
    return m_device && m_device->isOpen();
}

bool MSComm::portConnecting() const
{
    return m_device && m_device->isConnecting();
}

void MSComm::closePort()
{
    m_vanishing = false;
    m_devicePath.clear();
    if (!m_device)
        return;
    const bool wasOpen = m_device->isOpen();
    m_device->disconnect(this);
    m_device->close();
    // It may be the one whose signal is being handled.
    m_device.release()->deleteLater();
    if (wasOpen)
        emit portOpenChanged(false);
}

void MSComm::deliverPendingInput()
{
    if (!portOpen())
        return;
    if (!m_vanishing)
        m_device->stopReading(); // what the device holds has reached the program too, and no more will
    // Stops when the handler leaves the bytes where they are.
    for (qint64 waiting = inBufferCount(); waiting > 0;) {
        emit dataReady();
        const qint64 left = inBufferCount();
        if (left >= waiting)
            break;
        waiting = left;
    }
}

StampedBytes MSComm::input()
{
    if (!portOpen())
        return {};
    StampedBytes data = m_device->take(MaxInputRead);
    if (inBufferCount() > 0)
        scheduleReceive();
    return data;
}

qint64 MSComm::inBufferCount() const
{
    return portOpen() ? m_device->available() : 0;
}

std::unique_ptr<PortDevice> MSComm::makePair()
{
    auto pair = std::make_unique<PairDevice>(m_factory);
    pair->setSidesReturn(m_pairSidesReturn);
    pair->setSideLocator([this](std::size_t side) {
        const auto resolved = resolvePort(m_commPort, m_settingsFolder, [this] { return systemPorts(); });
        if (!resolved || resolved->pair.kind != PairFile::Kind::Pair)
            return QString();
        return pairFromPath(resolved->path).sides[side].where;
    });
    const auto name = [pair = pair.get()](int side) { return pair->pair().sides[std::size_t(side)].name; };
    connect(pair.get(), &PairDevice::sideLineEvent, this, [this, name](int side, CommEvent event) {
        if (portOpen() && !m_vanishing)
            emit sideLineEvent(side, name(side), event);
    });
    connect(pair.get(), &PairDevice::sideLost, this, [this, name](int side) { emit sideLost(side, name(side)); });
    connect(pair.get(), &PairDevice::sideReturned, this,
            [this, name](int side) { emit sideReturned(side, name(side)); });
    return pair;
}

QStringList MSComm::sideNames() const
{
    const auto *pair = qobject_cast<const PairDevice *>(m_device.get());
    if (!pair)
        return {};
    return {pair->pair().sides[0].name, pair->pair().sides[1].name};
}

QString MSComm::devicePath() const
{
    return m_devicePath;
}

void MSComm::setFrameClock(FrameClock &frames)
{
    disconnect(m_frames, &FrameClock::handOver, this, &MSComm::deliverFrame);
    m_frames = &frames;
    connect(m_frames, &FrameClock::handOver, this, &MSComm::deliverFrame);
}

// The device read more: it goes at the next tick.
void MSComm::arrived()
{
    if (portOpen() && !m_vanishing)
        m_frames->request();
}

// Each tick hands over what arrived since the last one and asks for the next
// tick, to look again a frame later (a busy line); when nothing came, the port
// rests until the device reads again.
void MSComm::deliverFrame()
{
    if (!portOpen() || m_vanishing)
        return;
    const quint64 total = m_device->received();
    if (total == m_announced) {
        m_device->notifyAfter(total);
        return;
    }
    m_announced = total;
    m_frames->request();
    deliverReceive();
}

// A read of Input that leaves bytes behind asks for one more announcement,
// queued, so that other events run in between. So each byte is delivered
// once and in order, and a handler that reads nothing is not called again
// until more arrives.
void MSComm::scheduleReceive()
{
    if (m_receiveScheduled)
        return;
    m_receiveScheduled = true;
    QMetaObject::invokeMethod(this, &MSComm::deliverReceive, Qt::QueuedConnection);
}

void MSComm::deliverReceive()
{
    m_receiveScheduled = false;
    if (inBufferCount() > 0)
        emit dataReady();
}

void MSComm::deviceGone()
{
    if (!portOpen() || m_vanishing)
        return;
    m_vanishing = true;
    m_vanishWaiting = -1;
    QMetaObject::invokeMethod(this, &MSComm::finishVanish, Qt::QueuedConnection);
}

// Bytes that arrived before the device went are still handed over, as long as
// the handler keeps taking them; then the port closes and 68 is reported.
void MSComm::finishVanish()
{
    if (!m_vanishing || !portOpen())
        return;
    const qint64 waiting = inBufferCount();
    if (waiting > 0 && waiting != m_vanishWaiting) {
        m_vanishWaiting = waiting;
        emit dataReady();
        QMetaObject::invokeMethod(this, &MSComm::finishVanish, Qt::QueuedConnection);
        return;
    }
    closePort();
    emit deviceLost();
}

} // namespace quillar
