#pragma once

#include <QByteArray>
#include <QString>

namespace quillar::test {

// A pseudo-terminal that plays a serial device: the program under test opens
// the slave end through a COM<N> link, the test writes the device's bytes into
// the master end, and closing the master is the device vanishing. The slave is
// raw, and the helper keeps a slave descriptor of its own, so writes succeed
// whether or not the program has the port open. Each test needs its own: the
// port's lock file is named after the device.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    [[nodiscard]] bool isOpen() const { return m_master >= 0; }
    // The slave's path, such as /dev/pts/7.
    [[nodiscard]] QString slavePath() const { return m_slavePath; }

    // Links <directory>/COM<number> to the slave, replacing what was there.
    [[nodiscard]] bool linkAs(const QString &directory, int number);

    // Writes what fits now without waiting; -1 on failure.
    qint64 write(const QByteArray &bytes);
    // Writes all of `bytes`, running the Qt event loop while the terminal is
    // full so that a reader in this thread can drain it. False on failure or
    // when `timeoutMs` passes first.
    [[nodiscard]] bool writeAll(const QByteArray &bytes, int timeoutMs = 60000);
    // Bytes the slave side wrote (a receive-only program never writes any).
    [[nodiscard]] QByteArray readAvailable();
    // Bytes written to the device that no program has read yet, taken
    // through the helper's own slave descriptor.
    [[nodiscard]] QByteArray takeUnread();

    // True when written bytes have reached the terminal's input, where a
    // reader of the slave finds them (the system hands them on a moment
    // after the write).
    [[nodiscard]] bool inputWaiting() const;

    // The line speed set on the terminal (a B constant of termios).
    [[nodiscard]] unsigned lineSpeed() const;

    // The device goes away: the slave side sees a hang-up.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
};

} // namespace quillar::test
