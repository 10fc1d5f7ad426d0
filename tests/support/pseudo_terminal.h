#pragma once

#include <QByteArray>
#include <QString>

namespace quillar::test {

// A pseudo-terminal that plays a serial device in tests. The program under
// test opens the slave end (through a COM<N> link); the test writes the
// device's bytes into the master end.
//
//     QTemporaryDir dir;                  // and make it the current directory
//     PseudoTerminal device;
//     QVERIFY(device.isOpen());
//     QVERIFY(device.linkAs(dir.path(), 3)); // dir/COM3 -> /dev/pts/N
//     ... open port 3 ...
//     QVERIFY(device.writeAll("hello\n"));
//     device.closeMaster();               // the device vanishes
//
// The slave is in raw mode, so bytes pass unchanged. The helper keeps a slave
// descriptor of its own open, so that writes succeed before and after the
// program opens the port. Everything is closed and the link removed on
// destruction. Each test needs its own pseudo-terminal: the port's lock file
// is named after the device.
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
    [[nodiscard]] int masterFd() const { return m_master; }

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

    // The device goes away: the slave side sees a hang-up.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
};

} // namespace quillar::test
