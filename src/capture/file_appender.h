#pragma once

#include "platform/clock.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <thread>

namespace quillar {

// Appends to one file for a long session: the raw capture and the text log.
//
// The writing happens on a thread of its own, the one thread the program has
// besides the window's. A write(2) or fdatasync(2) to a busy disk, a network
// folder or a slow USB stick can take seconds, and the window must go on
// taking the port's bytes meanwhile, or the device's data is lost in the
// port instead. The window's thread only queues, under a lock that is never
// held across a system call, and never waits for the writer.
//
// The file is opened for appending (created when missing) at each open() and
// written in queue order; what was written is forced to the disk at least
// once a second and at every close(). The queue is bounded: a disk that does
// not keep up stops the logging with a report rather than letting memory grow
// without end or leaving a hole in the file. The first failure (cannot open,
// disk full, file removed or replaced, queue overflow) stops the logging for
// good, so that it is reported once; failed() is emitted on this object's
// thread. A file size limit (ulimit -f) is a failure like the others where the
// program ignores SIGXFSZ, as Quillar does.
class FileAppender : public QObject
{
    Q_OBJECT

public:
    // About 25 minutes of a 115200-baud line, or a few seconds of a stuck disk
    // under a pseudo-terminal's full speed.
    static constexpr qsizetype DefaultCapacity = 16 * 1024 * 1024;
    // How long the end of the program waits for the disk.
    static constexpr int ExitWaitMs = 10000;

    // clock: where the hand-over and the forcing to disk are timed.
    explicit FileAppender(QString path, qsizetype capacity = DefaultCapacity, Clock &clock = Clock::steady(),
                          QObject *parent = nullptr);
    // Writes what is still queued, forces it to the disk and closes the file,
    // waiting at most ExitWaitMs for that.
    ~FileAppender() override;
    FileAppender(const FileAppender &) = delete;
    FileAppender &operator=(const FileAppender &) = delete;

    // Queued: open (or create) the file for appending. Nothing after a failure.
    void open();
    // Queued: bytes for the open file. Ignored while closed and after a failure.
    void append(QByteArray bytes);
    // Queued: write the rest, force it to the disk, close.
    void close();

    // True once logging has stopped on a failure.
    [[nodiscard]] bool hasFailed() const;

    // The message the window shows for a failure.
    [[nodiscard]] static QString failureMessage(const QString &path, int number, const QString &description);

signals:
    void failed(const QString &path, int number, const QString &description);

private:
    struct Shared;
    class Writer;
    static void run(std::shared_ptr<Shared> shared);

    bool m_open = false;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace quillar
