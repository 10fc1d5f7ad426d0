#pragma once

#include <QByteArray>
#include <QString>

namespace quillar::test {

// A serial device played on a raw pseudo-terminal: the program opens the
// slave through a COM<N> link, the test writes the device's bytes into the
// master, and closing the master is the device vanishing. The helper holds a
// slave descriptor of its own, so writes succeed while the port is closed.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    [[nodiscard]] bool isOpen() const { return m_master >= 0; }
    [[nodiscard]] QString slavePath() const { return m_slavePath; }

    // Links <directory>/COM<number> to the slave, replacing what was there.
    [[nodiscard]] bool linkAs(const QString &directory, int number);

    // What fits now, without waiting; -1 on failure.
    qint64 write(const QByteArray &bytes);
    // All of it, running events while the terminal is full so that a reader
    // in this thread drains it; false on failure or time-out.
    [[nodiscard]] bool writeAll(const QByteArray &bytes, int timeoutMs = 60000);
    // Bytes the slave side wrote (a receive-only program never writes any).
    [[nodiscard]] QByteArray readAvailable();
    // Bytes written that no program has read yet.
    [[nodiscard]] QByteArray takeUnread();

    // Written bytes have reached the slave's input (a moment after the write).
    [[nodiscard]] bool inputWaiting() const;

    // A B constant of termios.
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
