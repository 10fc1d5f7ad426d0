#pragma once

#include <QString>

#include <optional>
#include <thread>

// The Linux calls of the serial device that no test needs to bend: what a
// path is, access rights, lock files, and the handles that stop its threads.
// The calls on the open descriptor are LinuxSerialDriver's (serial_driver.h).
namespace quillar::serial_linux {

// What a path that should be a serial port is, as the system sees it.
enum class PathKind {
    Missing,     // nothing there (a dangling link)
    Loop,        // links that lead round in a circle
    CharDevice,  // may be a serial port: only opening it tells
    NotTerminal, // a character device the system knows is no terminal (/dev/null)
    RegularFile,
    Directory,
    Fifo,
    Socket,
    BlockDevice,
};
[[nodiscard]] PathKind pathKind(const QString &path);

// Another running program that has announced that it holds the device with
// a lock file ("LCK..ttyUSB0" in /run/lock), as serial programs on Linux do:
// the holder's process number on its first line, or as a binary int in old
// programs' files. A lock whose holder is gone is removed, as serial programs
// do; this process's own does not count.
struct LockHolder
{
    qint64 pid = 0;
    QString program; // as the system names the process; empty when unknown
    QString lockFile;
};
[[nodiscard]] std::optional<LockHolder> lockHolder(const QString &path);

// Where this program announces that it holds the device: the lock folder's
// LCK..<name> as Qt programs name it; empty when no lock folder can be written.
[[nodiscard]] QString lockFilePath(const QString &path);

// What to do about a refused device: names it and the group that owns it.
[[nodiscard]] QString permissionAdvice(const QString &path);

// A handle that wakes a thread waiting for input (an eventfd); -1 when none
// could be made.
[[nodiscard]] int makeWakeHandle();
void wake(int handle);
void closeWakeHandle(int handle);

// Interrupts a blocking call (TIOCMIWAIT) of `thread` with a signal whose
// handler does nothing and does not restart the call, so it ends with EINTR.
// A signal that comes just before the call is lost: callers repeat it until
// the thread has ended.
void interrupt(std::thread &thread);

// Names the calling thread as the system shows it (top -H, /proc), at most 15
// characters: "quillar-reader", "quillar-modem".
void nameThisThread(const char *name);

} // namespace quillar::serial_linux
