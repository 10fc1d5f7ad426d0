#pragma once

#include "port/comm_settings.h"
#include "port/toggle_port.h"
#include "platform/clock.h"
#include "platform/frame_clock.h"
#include "port/system_ports.h"
#include "platform/comm_events.h"
#include "platform/stamped_bytes.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace quillar {

class PortDevice;

// The serial control (MSComm1): receive only. Writing CommPort, Settings
// or PortOpen may throw NumberedError (8002 bad port number, 380 refused
// settings, 8005 already open, 8010 busy, 70 permission denied, 68 device
// gone, others with the system's text).
// Its one event, OnComm, comes as three signals on the GUI thread while the
// port is open: dataReady when bytes wait in Input, lineEvent for line
// conditions and modem line changes, deviceLost when the device vanished
// (the port is then already closed).
// The device it opens does the reading (PortDevice); the control hands what
// was read to the program, paced, and keeps the properties. A remote port
// opens in the background: writing PortOpen returns while it connects
// (portConnecting), and portOpenChanged or connectFailed tells the end;
// closing it meanwhile gives up.
class MSComm : public QObject, public TogglePort
{
    Q_OBJECT

public:
    // The most bytes one read of Input hands over; the rest waits for the
    // next dataReady.
    static constexpr int MaxInputRead = 32767;

    // Makes the device that opens `path`.
    using DeviceFactory = std::function<std::unique_ptr<PortDevice>(const QString &path)>;

    // settingsFolder: where COM<N> links and remote-port files are looked
    // for; without one, the numbers name the system's ports only.
    explicit MSComm(QString settingsFolder = {}, QObject *parent = nullptr);
    ~MSComm() override;

    // In place of the local serial port, for every later opening.
    void setDeviceFactory(DeviceFactory factory);
    // Where the devices it makes take the times of their reads, and where
    // openings are timed; the program's clock unless a test sets its own.
    void setClock(Clock &clock) { m_clock = &clock; }

    void setCommPort(std::int16_t port) override;
    [[nodiscard]] std::int16_t commPort() const override;

    // As the device took them, once the port is open.
    void setSettings(const QString &settings) override;
    [[nodiscard]] QString settings() const override;

    // Closing first hands over, through dataReady, the bytes that arrived
    // while the port was open.
    void setPortOpen(bool open) override;
    [[nodiscard]] bool portOpen() const override;
    [[nodiscard]] bool portConnecting() const override;
    // Opens the device at path, with CommPort and Settings as they are, in
    // place of the one CommPort names (a device that came back under another
    // name). Fails as writing PortOpen does.
    void openDevice(const QString &path) override;
    // Reading ends, and dataReady is signalled for as long as the handler
    // takes bytes that wait in Input; what arrives after stays with the
    // system. A close and the program's end call it, so that nothing the
    // program read is dropped unread.
    void deliverPendingInput();

    // Takes up to MaxInputRead received bytes, in arrival order, with the
    // times they were read. When more wait, another dataReady follows.
    [[nodiscard]] StampedBytes input();

    // How many received bytes wait for Input (0 while closed).
    [[nodiscard]] qint64 inBufferCount() const;

    // The device the open port reads, or the address of a remote one
    // (empty while closed).
    [[nodiscard]] QString devicePath() const override;
    // The names of the open pair's two sides, whose numbers Input's side
    // marks give; none for a single port.
    [[nodiscard]] QStringList sideNames() const;
    // Whether a pair's side that went is opened again when it can be
    // (--reconnect), for the pairs opened from now on.
    void setPairSidesReturn(bool returning) { m_pairSidesReturn = returning; }
    // The COM<N> link that the last opening by number went through; empty
    // when the system's list named the device.
    [[nodiscard]] QString commLink() const { return m_commLink; }
    void setSettingsFolder(QString folder) { m_settingsFolder = std::move(folder); }
    // Where the system's serial ports and consoles are read; tests give
    // their own.
    void setSystemSources(SystemSources sources) { m_sources = std::move(sources); }
    // The system console's device that opening CommPort would lead to;
    // empty when it leads elsewhere, nowhere or to a remote port.
    [[nodiscard]] QString consoleBehind() const override;
    // The open device (none while closed).
    [[nodiscard]] PortDevice *device() const { return m_device.get(); }
    // When the last opening began, in ms since the epoch: nothing the port
    // read since was read before it.
    [[nodiscard]] qint64 openedAtMs() const { return m_openedAtMs; }

    // The frames the port hands over on: what arrives within a frame of the
    // last tick waits for the next one, so that a busy line wakes the program
    // once a frame rather than at every arrival; the first after a rest goes
    // at once. The device has read it all the same: nothing waits in the
    // system meanwhile. Until given the program's, the port's own clock, with
    // no length, hands over every arrival. `frames` must outlive the port.
    void setFrameClock(FrameClock &frames);
    [[nodiscard]] FrameClock &frameClock() const { return *m_frames; }

signals:
    void dataReady();
    void lineEvent(quillar::CommEvent event);
    void deviceLost();
    // The port opened or closed, whatever did it (the toggle, a vanishing
    // device, a reconnect).
    void portOpenChanged(bool open);
    // A port that was connecting did not open; it is closed.
    void connectFailed(int number, const QString &description);
    // One side of an open pair went away, and the other reads on; or it
    // came back (by number: 0 is the first).
    void sideLost(int side, const QString &name);
    // A line event of one side of a pair, in place of lineEvent.
    void sideLineEvent(int side, const QString &name, quillar::CommEvent event);
    void sideReturned(int side, const QString &name);

private:
    void scheduleReceive();
    void arrived();
    void deliverFrame();
    void deliverReceive();
    void finishVanish();
    void closePort();
    void deviceGone();
    void openResolved(const QString &path);
    [[nodiscard]] std::unique_ptr<PortDevice> makePair();
    void finishOpen();
    [[nodiscard]] QList<SystemPort> systemPorts() const { return systemSerialPorts(m_sources); }

    DeviceFactory m_factory;
    Clock *m_clock = &Clock::steady();
    qint64 m_openedAtMs = 0;
    std::unique_ptr<PortDevice> m_device;
    FrameClock m_ownFrames{std::chrono::milliseconds(0)};
    FrameClock *m_frames = &m_ownFrames;
    quint64 m_announced = 0;
    std::int16_t m_commPort = 1;
    CommSettings m_settings;
    QString m_devicePath;
    QString m_commLink;
    QString m_settingsFolder;
    SystemSources m_sources;
    bool m_receiveScheduled = false;
    bool m_pairSidesReturn = false;
    bool m_vanishing = false;
    qint64 m_vanishWaiting = -1;
};

} // namespace quillar
