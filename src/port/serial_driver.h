#pragma once

#include "port/comm_settings.h"
#include "port/line_conditions.h"

#include <QString>

namespace quillar {

// Every call the serial device makes to the system about its descriptor, one
// method each, so that a test can stand in a driver that takes, refuses or
// bends any of them. Each returns 0 or the errno of its failure, unless it
// says otherwise. LinuxSerialDriver makes the real calls.
class SerialDriver
{
public:
    virtual ~SerialDriver() = default;

    // Opens for reading only: non-blocking, never as the controlling
    // terminal, closed on exec.
    virtual int open(const QString &path, int &fd) = 0;
    virtual void close(int fd) = 0;
    // Keeps other programs out of the open device (TIOCEXCL), or lets them in
    // again (TIOCNXCL), which a pseudo-terminal's other users need.
    virtual int setExclusive(int fd, bool exclusive) = 0;
    // Raw reception at these settings, any rate the driver takes (termios2,
    // BOTHER), and what the driver then holds.
    virtual int setLine(int fd, const CommSettings &settings) = 0;
    virtual int getLine(int fd, CommSettings &settings) = 0;
    // Up to max bytes: how many were read, 0 when the device has hung up, or
    // minus the errno (-EAGAIN: nothing waits).
    virtual qint64 read(int fd, char *data, qint64 max) = 0;
    // Blocks until fd has input or has hung up (true), or until wakeFd is
    // signalled (false).
    virtual bool waitForInput(int fd, int wakeFd) = 0;
    // The error and modem-line counters a UART driver keeps (TIOCGICOUNT).
    virtual int counters(int fd, LineCounters &counters, ModemLines &transitions) = 0;
    // The modem lines' levels (TIOCMGET).
    virtual int modemLines(int fd, ModemLines &lines) = 0;
    // Blocks until a modem line changes (TIOCMIWAIT); EINTR when the waiting
    // thread is interrupted (serial_linux::interrupt).
    virtual int waitModemChange(int fd) = 0;
};

// The system's own calls, in serial_linux.cpp and, for termios2, whose
// header cannot live beside <termios.h>, serial_termios2.cpp.
class LinuxSerialDriver : public SerialDriver
{
public:
    int open(const QString &path, int &fd) override;
    void close(int fd) override;
    int setExclusive(int fd, bool exclusive) override;
    int setLine(int fd, const CommSettings &settings) override;
    int getLine(int fd, CommSettings &settings) override;
    qint64 read(int fd, char *data, qint64 max) override;
    bool waitForInput(int fd, int wakeFd) override;
    int counters(int fd, LineCounters &counters, ModemLines &transitions) override;
    int modemLines(int fd, ModemLines &lines) override;
    int waitModemChange(int fd) override;

    // The one the program uses.
    [[nodiscard]] static SerialDriver &instance();
};

} // namespace quillar
