#pragma once

#include "port/device_reader.h"
#include "port/line_conditions.h"
#include "port/modem_waiter.h"
#include "port/port_device.h"

#include <QTimer>

#include <memory>

class QLockFile;

namespace quillar {

class SerialDriver;

// A local serial port: the one owner of its descriptor. Opens it itself
// (reading only, non-blocking, never as the controlling terminal), holds it
// against other programs (their lock files, its own, TIOCEXCL), sets the line
// and reads back what the driver took, reads it on a thread (DeviceReader),
// and reports line conditions: the error counters with the data they come
// with, the modem lines when the kernel says they moved (ModemWaiter), or, on
// a driver that can only be asked, by a slow look while the port is open.
class SerialDevice : public PortDevice
{
    Q_OBJECT

public:
    // How the modem lines are watched while the port is open.
    enum class ModemWatch { None, Waiting, Polling };
    // The slow look, for a driver that reports the lines but cannot wait.
    static constexpr int ModemPollMs = 250;

    // clock: where the reads' times are taken.
    explicit SerialDevice(SerialDriver &driver, Clock &clock = Clock::steady(), QObject *parent = nullptr);
    ~SerialDevice() override;

    void open(const QString &path, const QString &link, const CommSettings &settings) override;
    void applySettings(const CommSettings &settings) override;
    [[nodiscard]] CommSettings settings() const override { return m_settings; }
    void close() override;
    [[nodiscard]] bool isOpen() const override { return m_fd >= 0; }

    [[nodiscard]] qint64 available() const override { return m_reader.available(); }
    [[nodiscard]] StampedBytes take(qint64 max) override { return m_reader.take(max); }
    [[nodiscard]] quint64 received() const override { return m_reader.received(); }
    void notifyAfter(quint64 seen) override { m_reader.notifyAfter(seen); }
    void stopReading() override { m_reader.finish(); }

    [[nodiscard]] ModemWatch modemWatch() const;

private:
    void openOrThrow(const QString &path, const QString &link, const CommSettings &settings);
    [[nodiscard]] int setLine(const CommSettings &asked, CommSettings &applied);
    void lookAtModemLines();
    void modemWaitEnded(int error);
    void emitLineEvents(const std::vector<CommEvent> &events);

    SerialDriver &m_driver;
    int m_fd = -1;
    std::unique_ptr<QLockFile> m_lock;
    CommSettings m_settings;
    DeviceReader m_reader;
    ModemWaiter m_modemWaiter;
    LineConditionWatch m_modemLines;
    QTimer m_modemPoll;
};

} // namespace quillar
