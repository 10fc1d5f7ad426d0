#include "file_errors.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace quillar {

NumberedError fileError(int number)
{
    using namespace ErrorNumber;
    switch (number) {
    case Overflow: return {number, QStringLiteral("Overflow")};
    case TypeMismatch: return {number, QStringLiteral("Type mismatch")};
    case BadFileNameOrNumber: return {number, QStringLiteral("Bad file name or number")};
    case FileNotFound: return {number, QStringLiteral("File not found")};
    case DeviceIoError: return {number, QStringLiteral("Device I/O error")};
    case DiskFull: return {number, QStringLiteral("Disk full")};
    case InputPastEndOfFile: return {number, QStringLiteral("Input past end of file")};
    case PermissionDenied: return {number, QStringLiteral("Permission denied")};
    case PathFileAccessError: return {number, QStringLiteral("Path/File access error")};
    case PathNotFound: return {number, QStringLiteral("Path not found")};
    default: break;
    }
    return {number, QStringLiteral("Application-defined or object-defined error")};
}

namespace {
NumberedError withSystemText(int number, const QString &systemText)
{
    if (systemText.isEmpty())
        return fileError(number);
    return {number, systemText};
}
} // namespace

NumberedError readOpenFailure(const QString &path, const QString &systemText)
{
    using namespace ErrorNumber;
    if (path.isEmpty())
        return fileError(BadFileNameOrNumber);
    const QFileInfo info(path);
    if (!info.exists())
        return fileError(FileNotFound);
    if (info.isDir())
        return fileError(PathFileAccessError);
    if (!info.isReadable())
        return fileError(PermissionDenied);
    return withSystemText(PathFileAccessError, systemText);
}

NumberedError writeFailure(const QString &path, WritePhase phase, int savedErrno, const QString &systemText)
{
    using namespace ErrorNumber;
    if (path.isEmpty())
        return fileError(BadFileNameOrNumber);
    if (savedErrno == ENOSPC || savedErrno == EDQUOT)
        return fileError(DiskFull);
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists() || !folder.isDir())
        return fileError(PathNotFound);
    if (info.isDir())
        return fileError(PathFileAccessError);
    if (phase == WritePhase::Write)
        return fileError(DeviceIoError);
    if (savedErrno == EACCES || savedErrno == EPERM || savedErrno == EROFS || !folder.isWritable()
        || (info.exists() && !info.isWritable()))
        return fileError(PermissionDenied);
    return withSystemText(PathFileAccessError, systemText);
}

} // namespace quillar
