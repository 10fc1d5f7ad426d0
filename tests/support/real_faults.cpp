#include "real_faults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quillar::test {

namespace {
QString fillerPath()
{
    return QDir(smallDisk()).filePath(QStringLiteral(".filler"));
}
} // namespace

bool permissionsBind()
{
    return ::geteuid() != 0;
}

QString smallDisk()
{
    return qEnvironmentVariable("QUILLAR_SMALL_DISK");
}

bool fillSmallDisk()
{
    if (smallDisk().isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(fillerPath()).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // Whole blocks first, then single bytes into the last partial block.
    static const char block[4096] = {};
    bool full = false;
    for (const size_t size : {sizeof block, size_t(1)}) {
        for (;;) {
            const ssize_t n = ::write(fd, block, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                full = errno == ENOSPC;
                break;
            }
        }
    }
    ::close(fd);
    return full;
}

void emptySmallDisk()
{
    QFile::remove(fillerPath());
}

int openDescriptorsOf(const QString &path)
{
    const QString target = QFileInfo(path).absoluteFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
        if (QFile::symLinkTarget(fds.filePath(fd)) == target)
            ++count;
    }
    return count;
}

} // namespace quillar::test
