#include "serial_errors.h"

#include "platform/system_text.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <iterator>

namespace quillar::serial_errors {

namespace {

using serial_linux::PathKind;

// The errnos the program gives a meaning of its own; every other one is an
// "other failure" with the system's text.
struct ErrnoRow
{
    int errnoValue;
    int number;
    const char *description; // nullptr: made for the path at hand
};
constexpr ErrnoRow ErrnoTable[] = {
    {ENOENT, ErrorNumber::DeviceUnavailable, "Periferica non disponibile"},
    {ENODEV, ErrorNumber::DeviceUnavailable, "Periferica non disponibile"},
    {ENXIO, ErrorNumber::DeviceUnavailable, "Periferica non disponibile"},
    {EIO, ErrorNumber::DeviceUnavailable, "Periferica non disponibile"}, // a terminal whose other end is gone
    {EBUSY, ErrorNumber::PortBusy, nullptr},
    {EACCES, ErrorNumber::PermissionDenied, nullptr},
    {EPERM, ErrorNumber::PermissionDenied, nullptr},
    {ENOTTY, OtherOpenFailure, nullptr}, // not a terminal at all
};

// How the user knows the file: the COM<N> link's name and where it leads.
// `what` is said of it: "non è una porta seriale".
QString leadsTo(const QString &path, const QString &link, const QString &what)
{
    if (link.isEmpty() || QFileInfo(link).absoluteFilePath() == path)
        return QStringLiteral("%1 %2").arg(link.isEmpty() ? path : QFileInfo(link).absoluteFilePath(), what);
    return QStringLiteral("%1 porta a %2, che %3").arg(QFileInfo(link).fileName(), path, what);
}

// The port as the user knows it: "COM1 (/dev/ttyS0)", or the path alone.
QString deviceName(const QString &path, const QString &link)
{
    if (link.isEmpty() || QFileInfo(link).absoluteFilePath() == path)
        return path;
    return QStringLiteral("%1 (%2)").arg(QFileInfo(link).fileName(), path);
}

// A link that leads nowhere, hop by hop: "COM1 è un collegamento a A, che
// porta a B, che non esiste".
QString brokenLink(const QString &link, PathKind kind)
{
    QString text = QFileInfo(link).fileName() + QStringLiteral(" è un collegamento");
    QFileInfo at(link);
    QStringList seen;
    for (bool first = true; at.isSymLink() && !seen.contains(at.absoluteFilePath()); first = false) {
        seen << at.absoluteFilePath();
        at.setFile(at.symLinkTarget());
        text +=
            (first ? QStringLiteral(" a ") : QStringLiteral(", che porta a ")) + QDir::cleanPath(at.absoluteFilePath());
    }
    return text
        + (kind == PathKind::Loop ? QStringLiteral(", che riporta in cerchio al punto di partenza")
                                  : QStringLiteral(", che non esiste"));
}

QString kindText(PathKind kind)
{
    switch (kind) {
    case PathKind::RegularFile:
        return QStringLiteral("è un file normale, non una porta seriale");
    case PathKind::Directory:
        return QStringLiteral("è una cartella, non una porta seriale");
    case PathKind::Fifo:
        return QStringLiteral("è una pipe con nome, non una porta seriale");
    case PathKind::Socket:
        return QStringLiteral("è un socket, non una porta seriale");
    case PathKind::BlockDevice:
        return QStringLiteral("è un disco, non una porta seriale");
    default:
        return QStringLiteral("non è una porta seriale");
    }
}

} // namespace

NumberedError openFailure(int errnoValue, const QString &path, const QString &link)
{
    for (const ErrnoRow &row : ErrnoTable) {
        if (row.errnoValue != errnoValue)
            continue;
        if (row.description)
            return NumberedError(row.number, QString::fromLatin1(row.description));
        if (row.number == ErrorNumber::PermissionDenied)
            return NumberedError(row.number, serial_linux::permissionAdvice(path));
        if (row.number == ErrorNumber::PortBusy)
            return busy(path, link, std::nullopt);
        return notAPort(PathKind::NotTerminal, path, link);
    }
    return NumberedError(OtherOpenFailure, systemText(errnoValue));
}

NumberedError notAPort(PathKind kind, const QString &path, const QString &link)
{
    if (kind == PathKind::Missing || kind == PathKind::Loop) {
        if (!link.isEmpty() && QFileInfo(link).isSymLink())
            return NumberedError(ErrorNumber::DeviceUnavailable, brokenLink(link, kind));
        return NumberedError(ErrorNumber::DeviceUnavailable, path + QStringLiteral(" non esiste"));
    }
    return NumberedError(OtherOpenFailure, leadsTo(path, link, kindText(kind)));
}

NumberedError noSuchPort(int number, const QString &folder, qsizetype systemPorts)
{
    if (number < 1)
        return NumberedError(ErrorNumber::InvalidPortNumber, QStringLiteral("I numeri di porta partono da 1"));
    const QString listed = systemPorts == 0 ? QStringLiteral("non elenca porte seriali")
        : systemPorts == 1                  ? QStringLiteral("elenca una sola porta seriale")
                                            : QStringLiteral("elenca solo %1 porte seriali").arg(systemPorts);
    return NumberedError(
        ErrorNumber::InvalidPortNumber,
        QStringLiteral("Non c'è COM%1%2, e il sistema %3 (quillar --list-ports)")
            .arg(number)
            .arg(folder.isEmpty() ? QString() : QStringLiteral(" in ") + QDir::toNativeSeparators(folder), listed));
}

NumberedError invalidSettings()
{
    return NumberedError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Valore di proprietà non valido"));
}

NumberedError refusedSettings(const QString &path, const QString &link, const QString &asked, const QString &kept)
{
    const QString device = deviceName(path, link);
    if (kept.isEmpty())
        return NumberedError(ErrorNumber::InvalidPropertyValue,
                             QStringLiteral("Il driver di %1 non accetta %2").arg(device, asked));
    return NumberedError(ErrorNumber::InvalidPropertyValue,
                         QStringLiteral("Il driver di %1 non accetta %2 (ha mantenuto %3)").arg(device, asked, kept));
}

NumberedError busy(const QString &path, const QString &link, const std::optional<serial_linux::LockHolder> &holder)
{
    const QString device = deviceName(path, link);
    if (!holder)
        return NumberedError(
            ErrorNumber::PortBusy,
            QStringLiteral("La porta %1 è già in uso: un altro programma la tiene aperta per sé").arg(device));
    if (holder->pid <= 0)
        return NumberedError(
            ErrorNumber::PortBusy,
            QStringLiteral("La porta %1 risulta in uso secondo il file di lock %2, che non si può leggere "
                           "né togliere")
                .arg(device, holder->lockFile));
    const QString who = holder->program.isEmpty()
        ? QStringLiteral("dal processo %1").arg(holder->pid)
        : QStringLiteral("da %1 (pid %2)").arg(holder->program).arg(holder->pid);
    return NumberedError(
        ErrorNumber::PortBusy,
        QStringLiteral("La porta %1 è già in uso %2, secondo il file di lock %3").arg(device, who, holder->lockFile));
}

} // namespace quillar::serial_errors
