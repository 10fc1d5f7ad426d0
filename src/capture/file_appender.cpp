#include "file_appender.h"

#include "platform/file_errors.h"
#include "platform/numbered_error.h"
#include "platform/system_text.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace quillar {

namespace {

// Queued bytes are handed to the system within this time, or sooner once a
// batch has gathered, so that small reads do not each cost a system call.
constexpr auto HandOverDelay = std::chrono::milliseconds(200);
constexpr qsizetype BatchBytes = 256 * 1024;
constexpr auto SyncInterval = std::chrono::seconds(1);

struct Command
{
    enum class Kind { Open, Data, Close } kind;
    QByteArray data;
};

} // namespace

struct FileAppender::Shared
{
    explicit Shared(Clock &c) : clock(c) { }

    Clock &clock;
    QByteArray nativePath;
    QString path;
    qsizetype capacity = 0;

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    std::deque<Command> queue;
    qsizetype queuedBytes = 0;
    bool controlQueued = false;
    bool stopping = false;
    bool done = false;
    bool failed = false;
    // The object to report to; cleared if the program ends before the writer.
    FileAppender *owner = nullptr;

    // Stops the logging and reports once. Called with the mutex held. What
    // is already queued is dropped unless keepQueued is set.
    void fail(int number, const QString &description, bool keepQueued = false)
    {
        if (failed)
            return;
        failed = true;
        if (!keepQueued) {
            queue.clear();
            queuedBytes = 0;
        }
        if (owner) {
            QMetaObject::invokeMethod(
                owner, [o = owner, p = path, number, description] { emit o->failed(p, number, description); },
                Qt::QueuedConnection);
        }
    }

    void push(Command command)
    {
        const bool wasEmpty = queue.empty();
        const bool control = command.kind != Command::Kind::Data;
        queuedBytes += command.data.size();
        queue.push_back(std::move(command));
        controlQueued = controlQueued || control;
        if (wasEmpty || control || queuedBytes >= BatchBytes)
            wake.notify_one();
    }
};

FileAppender::FileAppender(QString path, qsizetype capacity, Clock &clock, QObject *parent)
    : QObject(parent),
      m_shared(std::make_shared<Shared>(clock))
{
    m_shared->nativePath = QFile::encodeName(path);
    m_shared->path = std::move(path);
    m_shared->capacity = capacity;
    m_shared->owner = this;
    m_thread = std::thread(&FileAppender::run, m_shared);
}

FileAppender::~FileAppender()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->stopping = true;
    m_shared->wake.notify_one();
    const bool done =
        m_shared->finished.wait_for(lock, std::chrono::milliseconds(ExitWaitMs), [this] { return m_shared->done; });
    m_shared->owner = nullptr;
    lock.unlock();
    if (done) {
        m_thread.join();
        return;
    }
    // A disk that hangs must not hang the end of the program too.
    std::fprintf(stderr, "Quillar: %s was still being written when the program ended\n",
                 m_shared->nativePath.constData());
    m_thread.detach();
}

void FileAppender::open()
{
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->failed)
        return;
    m_open = true;
    m_shared->push({Command::Kind::Open, {}});
}

void FileAppender::append(QByteArray bytes)
{
    if (!m_open || bytes.isEmpty())
        return;
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->failed)
        return;
    if (m_shared->queuedBytes + bytes.size() > m_shared->capacity) {
        // What is queued is still written, so the file ends in an unbroken
        // prefix of what was received.
        m_open = false;
        m_shared->push({Command::Kind::Close, {}});
        m_shared->fail(ErrorNumber::DeviceIoError,
                       QStringLiteral("Il disco non ha tenuto il passo: più di %1 byte attendevano di essere scritti")
                           .arg(m_shared->capacity),
                       true);
        return;
    }
    m_shared->push({Command::Kind::Data, std::move(bytes)});
}

void FileAppender::close()
{
    if (!m_open)
        return;
    m_open = false;
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->failed)
        m_shared->push({Command::Kind::Close, {}});
}

bool FileAppender::hasFailed() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->failed;
}

QString FileAppender::failureMessage(const QString &path, int number, const QString &description)
{
    return QStringLiteral("Impossibile scrivere il file di registrazione\r\n%1\r\nErrore n.%2: %3\r\n"
                          "La registrazione è interrotta.")
        .arg(QDir::toNativeSeparators(path))
        .arg(number)
        .arg(description);
}

// The writer thread. It touches nothing of the FileAppender object: only the
// shared state, so that it may outlive the object when the disk hangs.
class FileAppender::Writer
{
public:
    explicit Writer(Shared &shared) : m_shared(shared) { }

    void run()
    {
        for (;;) {
            std::deque<Command> batch;
            const bool stopping = takeBatch(batch);
            for (Command &command : batch) {
                if (m_stopped)
                    break;
                execute(command);
            }
            if (!m_stopped && m_fd >= 0 && m_unsynced && m_shared.clock.now() - m_lastSync >= SyncInterval)
                m_stopped = !sync();
            if (stopping && finishWhenDrained())
                return;
        }
    }

private:
    // Waits for work and takes the whole queue; true when the owner is going.
    bool takeBatch(std::deque<Command> &batch)
    {
        std::unique_lock lock(m_shared.mutex);
        const auto ready = [&] {
            return m_shared.stopping || m_shared.controlQueued || m_shared.queuedBytes >= BatchBytes;
        };
        const auto any = [&] { return ready() || !m_shared.queue.empty(); };
        if (m_unsynced)
            waitUntil(lock, m_lastSync + SyncInterval, any);
        else
            m_shared.wake.wait(lock, any);
        // A first small piece: give the next reads a moment to join it.
        if (!m_shared.queue.empty() && !ready())
            waitUntil(lock, m_shared.clock.now() + HandOverDelay, ready);
        batch.swap(m_shared.queue);
        m_shared.queuedBytes = 0;
        m_shared.controlQueued = false;
        return m_shared.stopping;
    }

    // Waits on the clock until `due` or until `done` holds.
    template <typename Predicate>
    void waitUntil(std::unique_lock<std::mutex> &lock, Clock::TimePoint due, Predicate done)
    {
        while (!done()) {
            if (m_shared.clock.waitUntil(m_shared.wake, lock, due) == std::cv_status::timeout)
                return;
        }
    }

    void execute(const Command &command)
    {
        switch (command.kind) {
        case Command::Kind::Open:
            if (m_fd < 0) {
                m_fd = ::open(m_shared.nativePath.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
                if (m_fd < 0)
                    failWith(WritePhase::Open, errno);
            }
            break;
        case Command::Kind::Data:
            writeBytes(command.data);
            break;
        case Command::Kind::Close:
            m_stopped = !sync();
            closeFile();
            break;
        }
    }

    void writeBytes(const QByteArray &bytes)
    {
        const char *data = bytes.constData();
        qsizetype left = bytes.size();
        while (m_fd >= 0 && left > 0) {
            const ssize_t n = ::write(m_fd, data, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failWith(WritePhase::Write, n < 0 ? errno : ENOSPC);
                return;
            }
            data += n;
            left -= n;
            m_unsynced = true;
        }
    }

    // Forces what was written to the disk, and notices a file that was
    // removed or replaced meanwhile: writing on would fill a file nobody can
    // see. Returns false after reporting.
    bool sync()
    {
        m_lastSync = m_shared.clock.now();
        if (m_fd < 0 || !m_unsynced)
            return true;
        m_unsynced = false;
        // Pipes and devices cannot be synchronised (EINVAL); they need not be.
        if (::fdatasync(m_fd) != 0 && errno != EINVAL) {
            failWith(WritePhase::Write, errno);
            return false;
        }
        struct stat opened
        { };
        struct stat named
        { };
        if (::fstat(m_fd, &opened) == 0
            && (opened.st_nlink == 0 || ::stat(m_shared.nativePath.constData(), &named) != 0
                || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev)) {
            closeFile();
            std::lock_guard lock(m_shared.mutex);
            m_shared.fail(ErrorNumber::FileNotFound,
                          QStringLiteral("Il file è stato rimosso o sostituito durante la scrittura"));
            return false;
        }
        return true;
    }

    // Reports a failure of the system call that just failed and stops.
    void failWith(WritePhase phase, int error)
    {
        closeFile();
        m_stopped = true;
        const NumberedError e = writeFailure(m_shared.path, phase, error, systemText(error));
        std::lock_guard lock(m_shared.mutex);
        m_shared.fail(e.number(), QStringLiteral("%1 (%2)").arg(e.description(), systemText(error)));
    }

    void closeFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_unsynced = false;
    }

    // The owner is going: once nothing more is queued, the rest goes to the
    // disk, the file is closed and the owner is told. False while work waits.
    bool finishWhenDrained()
    {
        {
            std::lock_guard lock(m_shared.mutex);
            if (!m_shared.queue.empty())
                return false;
        }
        if (!m_stopped)
            (void)sync();
        closeFile();
        std::lock_guard lock(m_shared.mutex);
        m_shared.done = true;
        m_shared.finished.notify_all();
        return true;
    }

    Shared &m_shared;
    int m_fd = -1;
    bool m_unsynced = false;
    bool m_stopped = false; // this thread failed: nothing more is written
    Clock::TimePoint m_lastSync = m_shared.clock.now();
};

void FileAppender::run(std::shared_ptr<Shared> shared)
{
    Writer(*shared).run();
}

} // namespace quillar
