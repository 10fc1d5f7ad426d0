#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

namespace quillar {

// The serial port control (MSComm1): receive only. Writing CommPort, Settings
// or PortOpen may throw NumberedError (8002 bad port number, 380 refused
// settings, 8010 busy, 70 permission denied, others with the system's text).
// OnComm is raised on the GUI thread while the port is open: CommEvent 2 when
// bytes wait in Input, line conditions (1001, 1004, ...), 68 when the device
// vanished (the port is then already closed).
class MSComm : public QObject
{
    Q_OBJECT

public:
    // The most bytes one read of Input hands over; the rest waits for the
    // next OnComm.
    static constexpr int MaxInputRead = 32767;

    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    void setCommPort(std::int16_t port);
    [[nodiscard]] std::int16_t commPort() const;

    void setSettings(const QString &settings);
    [[nodiscard]] QString settings() const;

    void setPortOpen(bool open);
    [[nodiscard]] bool portOpen() const;

    // Takes up to MaxInputRead received bytes, in arrival order.
    [[nodiscard]] QByteArray input();

    [[nodiscard]] std::int16_t commEvent() const;

signals:
    void OnComm();
};

} // namespace quillar
