#pragma once

#include <QString>

#include <exception>
#include <string>

namespace quillar {

// A failure as the program reports it: a number and a description. Port and
// file operations throw it; each handler decides whether it takes an error path,
// skips the failing step, or lets the guard report it.
class NumberedError : public std::exception
{
public:
    NumberedError(int number, QString description)
        : m_number(number),
          m_description(std::move(description)),
          m_what(QStringLiteral("error %1: %2").arg(number).arg(m_description).toStdString())
    { }

    [[nodiscard]] int number() const noexcept { return m_number; }
    [[nodiscard]] const QString &description() const noexcept { return m_description; }
    [[nodiscard]] const char *what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

// Numbers the program gives meaning to; the same cause always has the same
// number, whether a port or a file fails.
namespace ErrorNumber {
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIoError = 57;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEndOfFile = 62;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int InvalidPortNumber = 8002;
inline constexpr int PortAlreadyOpen = 8005;
inline constexpr int PortBusy = 8010;
inline constexpr int PortNotOpen = 8012;
inline constexpr int DialogCancelled = 32755;
} // namespace ErrorNumber

} // namespace quillar
