#include "serial_errors.h"

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
    {ENOENT, ErrorNumber::DeviceUnavailable, "Device unavailable"},
    {ENODEV, ErrorNumber::DeviceUnavailable, "Device unavailable"},
    {ENXIO, ErrorNumber::DeviceUnavailable, "Device unavailable"},
    {EIO, ErrorNumber::DeviceUnavailable, "Device unavailable"}, // a terminal whose other end is gone
    {EBUSY, ErrorNumber::PortBusy, "The hardware is not available (locked by another device)"},
    {EACCES, ErrorNumber::PermissionDenied, nullptr},
    {EPERM, ErrorNumber::PermissionDenied, nullptr},
    {ENOTTY, OtherOpenFailure, nullptr}, // not a terminal at all
};

// How the user knows the file: the COM<N> link's name and where it leads.
QString leadsTo(const QString &path, const QString &link, const QString &what)
{
    if (link.isEmpty() || QFileInfo(link).absoluteFilePath() == path)
        return QStringLiteral("%1 is %2").arg(link.isEmpty() ? path : QFileInfo(link).absoluteFilePath(), what);
    return QStringLiteral("%1 leads to %2, which is %3").arg(QFileInfo(link).fileName(), path, what);
}

// A link that leads nowhere, hop by hop: "COM1 is a link to A, which leads
// to B, which does not exist".
QString brokenLink(const QString &link, PathKind kind)
{
    QString text = QFileInfo(link).fileName() + QStringLiteral(" is a link");
    QFileInfo at(link);
    QStringList seen;
    for (bool first = true; at.isSymLink() && !seen.contains(at.absoluteFilePath()); first = false) {
        seen << at.absoluteFilePath();
        at.setFile(at.symLinkTarget());
        text += (first ? QStringLiteral(" to ") : QStringLiteral(", which leads to ")) + QDir::cleanPath(at.absoluteFilePath());
    }
    return text + (kind == PathKind::Loop ? QStringLiteral(", which leads round in a circle")
                                          : QStringLiteral(", which does not exist"));
}

QString kindText(PathKind kind)
{
    switch (kind) {
    case PathKind::RegularFile: return QStringLiteral("a plain file, not a serial port");
    case PathKind::Directory: return QStringLiteral("a folder, not a serial port");
    case PathKind::Fifo: return QStringLiteral("a named pipe, not a serial port");
    case PathKind::Socket: return QStringLiteral("a socket, not a serial port");
    case PathKind::BlockDevice: return QStringLiteral("a disk, not a serial port");
    default: return QStringLiteral("not a serial port");
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
        return notAPort(PathKind::NotTerminal, path, link);
    }
    return NumberedError(OtherOpenFailure, serial_linux::systemText(errnoValue));
}

NumberedError notAPort(PathKind kind, const QString &path, const QString &link)
{
    if (kind == PathKind::Missing || kind == PathKind::Loop) {
        if (!link.isEmpty() && QFileInfo(link).isSymLink())
            return NumberedError(ErrorNumber::DeviceUnavailable, brokenLink(link, kind));
        return NumberedError(ErrorNumber::DeviceUnavailable, path + QStringLiteral(" does not exist"));
    }
    return NumberedError(OtherOpenFailure, leadsTo(path, link, kindText(kind)));
}

NumberedError noSuchPort(int number, const QString &folder, qsizetype systemPorts)
{
    if (number < 1)
        return NumberedError(ErrorNumber::InvalidPortNumber, QStringLiteral("Port numbers start at 1"));
    const QString listed = systemPorts == 0 ? QStringLiteral("no serial port")
        : systemPorts == 1                  ? QStringLiteral("only 1 serial port")
                                            : QStringLiteral("only %1 serial ports").arg(systemPorts);
    return NumberedError(ErrorNumber::InvalidPortNumber,
                         QStringLiteral("There is no COM%1 in %2, and the system lists %3 (quillar --list-ports)")
                             .arg(number)
                             .arg(QDir::toNativeSeparators(folder), listed));
}

NumberedError invalidSettings()
{
    return NumberedError(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

NumberedError refusedSettings(const QString &path, const QString &link, const QString &asked, const QString &kept)
{
    const QString device = link.isEmpty() || QFileInfo(link).absoluteFilePath() == path
        ? path
        : QStringLiteral("%1 (%2)").arg(QFileInfo(link).fileName(), path);
    if (kept.isEmpty())
        return NumberedError(ErrorNumber::InvalidPropertyValue,
                             QStringLiteral("The driver of %1 does not take %2").arg(device, asked));
    return NumberedError(ErrorNumber::InvalidPropertyValue,
                         QStringLiteral("The driver of %1 does not take %2 (it kept %3)").arg(device, asked, kept));
}

NumberedError busy()
{
    return NumberedError(ErrorNumber::PortBusy, QStringLiteral("The hardware is not available (locked by another device)"));
}

} // namespace quillar::serial_errors
