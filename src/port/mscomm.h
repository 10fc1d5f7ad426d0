#pragma once

#include "port/comm_settings.h"
#include "port/line_conditions.h"
#include "port/port_reader.h"
#include "port/port_toggle.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class QSerialPort;
class QTimer;

namespace quillar {

// The serial port control (MSComm1): receive only. Writing CommPort, Settings
// or PortOpen may throw NumberedError (8002 bad port number, 380 refused
// settings, 8005 already open, 8010 busy, 70 permission denied, 68 device
// gone, others with the system's text).
// Its one event, OnComm, comes as three signals on the GUI thread while the
// port is open: dataReady when bytes wait in Input, lineEvent for line
// conditions and modem line changes, deviceLost when the device vanished
// (the port is then already closed).
class MSComm : public QObject, public TogglePort
{
    Q_OBJECT

public:
    // The most bytes one read of Input hands over; the rest waits for the
    // next dataReady.
    static constexpr int MaxInputRead = 32767;
    // How often the line conditions are looked at while the port is open.
    static constexpr int LinePollMs = 50;

    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    void setCommPort(std::int16_t port) override;
    [[nodiscard]] std::int16_t commPort() const override;

    void setSettings(const QString &settings) override;
    [[nodiscard]] QString settings() const override;

    // Closing first hands over, through dataReady, the bytes that arrived
    // while the port was open.
    void setPortOpen(bool open) override;
    [[nodiscard]] bool portOpen() const override;
    // Opens the device at path, with CommPort and Settings as they are, in
    // place of the one CommPort names (a device that came back under another
    // name). Fails as writing PortOpen does.
    void openDevice(const QString &path) override;
    // Signals dataReady for as long as the handler takes bytes that wait in
    // Input; the program's end calls it so that nothing that reached the
    // program is left unread.
    void deliverPendingInput();

    // Takes up to MaxInputRead received bytes, in arrival order. When more
    // wait, another dataReady follows.
    [[nodiscard]] QByteArray input();

    // How many received bytes wait for Input (0 while closed).
    [[nodiscard]] qint64 inBufferCount() const;

    // The device the open port reads (empty while closed).
    [[nodiscard]] QString devicePath() const;
    // The COM<N> link that the last opening by number went through; empty
    // when the system's list named the device.
    [[nodiscard]] QString commLink() const { return m_commLink; }

    // After a small read, wait up to this long before taking the next one,
    // less at baud rates that could fill the system's buffer meanwhile
    // (read_pacing.h); 0, the default, takes every arrival at once.
    void setLongestReadPause(int milliseconds);

signals:
    void dataReady();
    void lineEvent(quillar::CommEvent event);
    void deviceLost();
    // The port opened or closed, whatever did it (the toggle, a vanishing
    // device, a reconnect).
    void portOpenChanged(bool open);

private:
    void scheduleReceive();
    void paceReader();
    void deliverReceive();
    void portError(int error);
    void finishVanish();
    void pollLine();
    void closePort();
    void deviceGone();
    [[nodiscard]] bool applySettings(const CommSettings &settings);
    void openResolved(const QString &path, bool exists);

    QSerialPort *m_port;
    QTimer *m_linePoll;
    // Reads the device while it is open, when QSerialPort's own reading could
    // be set aside (it always can with the Qt this is built for); otherwise
    // QSerialPort reads, with no pacing.
    PortReader *m_reader;
    bool m_ownReading = false;
    int m_longestReadPause = 0;
    LineConditionWatch m_lineWatch;
    std::int16_t m_commPort = 1;
    CommSettings m_settings;
    QString m_devicePath;
    QString m_commLink;
    bool m_receiveScheduled = false;
    bool m_vanishing = false;
    qint64 m_vanishWaiting = -1;
};

} // namespace quillar
