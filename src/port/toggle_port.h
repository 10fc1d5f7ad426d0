#pragma once

#include <QString>

#include <cstdint>

namespace quillar {

class NumberedError;

// The serial control as the Open/Close toggle uses it. Writes may throw
// NumberedError.
class TogglePort
{
public:
    virtual ~TogglePort() = default;
    virtual void setCommPort(std::int16_t port) = 0;
    [[nodiscard]] virtual std::int16_t commPort() const = 0;
    virtual void setSettings(const QString &settings) = 0;
    [[nodiscard]] virtual QString settings() const = 0;
    virtual void setPortOpen(bool open) = 0;
    [[nodiscard]] virtual bool portOpen() const = 0;
    // Opening a remote port goes on after setPortOpen(true) returns.
    [[nodiscard]] virtual bool portConnecting() const = 0;
    // Where the port leads: a device path, or a remote port's address.
    [[nodiscard]] virtual QString devicePath() const = 0;
    // Opens the device at path with the port number and settings as they are.
    virtual void openDevice(const QString &path) = 0;
    // The device of the system console that opening the port number would
    // lead to; empty when it leads to any other.
    [[nodiscard]] virtual QString consoleBehind() const = 0;
};

// What Reconnect asks of the Open/Close rules, which live with the window's
// status texts: a vanished device opened again, shown as an open is.
class PortReopener
{
public:
    virtual ~PortReopener() = default;
    // Opens the device that vanished, now at devicePath; a failure is
    // reported as a failed open only when `report` is set. True when open.
    virtual bool reopen(const QString &devicePath, bool report) = 0;
    // A failure of a reopen that was not reported, reported as a failed open.
    virtual void reportReopenFailure(const NumberedError &error) = 0;
    // Whether the failure of the connect under way is reported as a failed open.
    virtual void setConnectReported(bool reported) = 0;
};

} // namespace quillar
