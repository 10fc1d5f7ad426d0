#include "file_errors.h"

#include "platform/system_text.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace quillar {

NumberedError fileError(int number)
{
    using namespace ErrorNumber;
    switch (number) {
    case Overflow:
        return {number, QStringLiteral("Overflow")};
    case TypeMismatch:
        return {number, QStringLiteral("Tipo non corrispondente")};
    case BadFileNameOrNumber:
        return {number, QStringLiteral("Nome o numero di file non valido")};
    case FileNotFound:
        return {number, QStringLiteral("Impossibile trovare il file")};
    case DeviceIoError:
        return {number, QStringLiteral("Errore di I/O della periferica")};
    case DiskFull:
        return {number, QStringLiteral("Disco pieno")};
    case InputPastEndOfFile:
        return {number, QStringLiteral("Input oltre la fine del file")};
    case PermissionDenied:
        return {number, QStringLiteral("Permesso negato")};
    case PathFileAccessError:
        return {number, QStringLiteral("Errore di accesso al percorso o al file")};
    case PathNotFound:
        return {number, QStringLiteral("Impossibile trovare il percorso")};
    default:
        break;
    }
    return {number, QStringLiteral("Errore definito dall'applicazione o dall'oggetto")};
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
    // The system's text follows the user's locale; the window's is Italian.
    return withSystemText(PathFileAccessError, savedErrno != 0 ? quillar::systemText(savedErrno) : systemText);
}

} // namespace quillar
