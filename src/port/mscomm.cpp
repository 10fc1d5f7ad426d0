#include "mscomm.h"

#include "platform/numbered_error.h"

// Placeholder until the serial control lands: every open fails.
namespace quillar {
MSComm::MSComm(QObject *parent) : QObject(parent) {}
MSComm::~MSComm() = default;
void MSComm::setCommPort(std::int16_t) {}
std::int16_t MSComm::commPort() const { return 1; }
void MSComm::setSettings(const QString &) {}
QString MSComm::settings() const { return QStringLiteral("9600,n,8,1"); }
void MSComm::setPortOpen(bool open)
{
    if (open)
        throw NumberedError(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid port number"));
}
bool MSComm::portOpen() const { return false; }
QByteArray MSComm::input() { return {}; }
std::int16_t MSComm::commEvent() const { return 0; }
} // namespace quillar
