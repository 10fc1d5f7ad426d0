#include "mscomm.h"

#include "platform/numbered_error.h"
#include "port/port_list.h"
#include "port/port_names.h"
#include "port/read_pacing.h"
#include "port/serial_linux.h"
#include "receive/comm_events.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

namespace quillar {

namespace {

// Any other failure to open: the number the program shows with the system's
// own description.
constexpr int OtherOpenFailure = 8015;

[[noreturn]] void fail(int number, const QString &description)
{
    throw NumberedError(number, description);
}

[[noreturn]] void failInvalidSettings()
{
    fail(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

[[noreturn]] void failBusy()
{
    fail(ErrorNumber::PortBusy, QStringLiteral("The hardware is not available (locked by another device)"));
}

QSerialPort::Parity toQt(CommSettings::Parity parity)
{
    switch (parity) {
    case CommSettings::Parity::None: return QSerialPort::NoParity;
    case CommSettings::Parity::Even: return QSerialPort::EvenParity;
    case CommSettings::Parity::Odd: return QSerialPort::OddParity;
    case CommSettings::Parity::Mark: return QSerialPort::MarkParity;
    case CommSettings::Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(CommSettings::StopBits stop)
{
    switch (stop) {
    case CommSettings::StopBits::One: return QSerialPort::OneStop;
    case CommSettings::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case CommSettings::StopBits::Two: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

} // namespace

MSComm::MSComm(QObject *parent)
    : QObject(parent), m_port(new QSerialPort(this)), m_linePoll(new QTimer(this)), m_reader(new PortReader(this))
{
    connect(m_reader, &PortReader::readyRead, this, &MSComm::deliverReceive);
    connect(m_reader, &PortReader::hungUp, this, &MSComm::deviceGone);
    m_linePoll->setInterval(LinePollMs);
    connect(m_linePoll, &QTimer::timeout, this, &MSComm::pollLine);
    // Straight from the port's own notification: a busy line reads a thousand
    // times a second, and a queued hop would double the wake-ups.
    connect(m_port, &QSerialPort::readyRead, this, &MSComm::deliverReceive);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { portError(error); });
}

MSComm::~MSComm()
{
    // The port closes as its object goes; nothing it says then is ours to hear.
    m_port->disconnect(this);
    if (m_port->isOpen())
        m_port->close();
}

void MSComm::setCommPort(std::int16_t port)
{
    if (portOpen())
        fail(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
    if (port < 1)
        fail(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid port number"));
    m_commPort = port;
}

std::int16_t MSComm::commPort() const
{
    return m_commPort;
}

void MSComm::setSettings(const QString &settings)
{
    const auto parsed = parseCommSettings(settings);
    if (!parsed)
        failInvalidSettings();
    if (portOpen() && !applySettings(*parsed)) {
        // The device refused: it keeps running on the settings it had.
        (void)applySettings(m_settings);
        m_port->clearError();
        failInvalidSettings();
    }
    m_settings = *parsed;
    paceReader();
}

QString MSComm::settings() const
{
    return m_settings.text();
}

bool MSComm::applySettings(const CommSettings &s)
{
    // QSerialPort has no four-bit characters, and termios no stop bits
    // between one and two (it would quietly send one).
    if (s.dataBits < QSerialPort::Data5 || s.stopBits == CommSettings::StopBits::OneAndHalf)
        return false;
    return m_port->setBaudRate(s.baud) && m_port->setDataBits(QSerialPort::DataBits(s.dataBits))
        && m_port->setParity(toQt(s.parity)) && m_port->setStopBits(toQt(s.stopBits))
        && m_port->setFlowControl(QSerialPort::NoFlowControl);
}

void MSComm::setPortOpen(bool open)
{
    if (!open) {
        deliverPendingInput();
        closePort();
        return;
    }
    if (portOpen())
        fail(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));

    const auto resolved = resolvePort(m_commPort, QDir::currentPath(), systemSerialPorts);
    if (!resolved)
        fail(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid port number"));
    m_commLink = resolved->fromLink ? QDir::current().absoluteFilePath(comLinkName(m_commPort)) : QString();
    openResolved(resolved->path, resolved->exists);
}

void MSComm::openDevice(const QString &path)
{
    if (portOpen())
        fail(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
    openResolved(path, QFileInfo::exists(path));
}

void MSComm::openResolved(const QString &path, bool exists)
{
    if (!exists)
        fail(ErrorNumber::DeviceUnavailable, QStringLiteral("Device unavailable"));
    // QSerialPort honours the lock files of Qt programs only.
    if (serial_linux::lockedByAnotherProgram(path))
        failBusy();
    m_port->setPortName(path);
    if (!applySettings(m_settings)) // stored now, applied by open()
        failInvalidSettings();
    m_port->setReadBufferSize(0);    // everything received waits for Input

    if (!m_port->open(QIODevice::ReadOnly)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString systemText = m_port->errorString();
        m_port->clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            fail(ErrorNumber::DeviceUnavailable, QStringLiteral("Device unavailable"));
        case QSerialPort::PermissionError:
            // Busy and forbidden look alike here; the access rights tell.
            if (serial_linux::readAccessDenied(path))
                fail(ErrorNumber::PermissionDenied, serial_linux::permissionAdvice(path));
            failBusy();
        case QSerialPort::OpenError:
            fail(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
        default:
            break;
        }
        // Did the device refuse the settings? Then it opens on the plain ones.
        m_port->setBaudRate(QSerialPort::Baud9600);
        m_port->setDataBits(QSerialPort::Data8);
        m_port->setParity(QSerialPort::NoParity);
        m_port->setStopBits(QSerialPort::OneStop);
        const bool plainOpens = m_port->open(QIODevice::ReadOnly);
        if (plainOpens)
            m_port->close();
        m_port->clearError();
        if (plainOpens)
            failInvalidSettings();
        fail(OtherOpenFailure, systemText);
    }

    // QSerialPort does not check on opening that the line took the settings;
    // set again on the open port, each one is read back from the device.
    if (!applySettings(m_settings)) {
        m_port->close();
        m_port->clearError();
        failInvalidSettings();
    }

    m_devicePath = path;
    m_vanishing = false;
    m_receiveScheduled = false;
    m_lineWatch.reset();
    // The device is read by our own reader, in large reads and paced; the
    // port's own reading is set aside, so that nothing reads it twice.
    const auto notifiers = m_port->findChildren<QSocketNotifier *>();
    m_ownReading = false;
    for (QSocketNotifier *notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read) {
            notifier->setEnabled(false);
            m_ownReading = true;
        }
    }
    if (m_ownReading)
        m_reader->start(int(m_port->handle()));
    pollLine(); // the baseline, and whether the device reports anything at all
    if (m_lineWatch.worthPolling())
        m_linePoll->start();
    emit portOpenChanged(true);
}

bool MSComm::portOpen() const
{
    return m_port->isOpen();
}

void MSComm::closePort()
{
    m_linePoll->stop();
    m_reader->stop();
    m_ownReading = false;
    m_vanishing = false;
    m_devicePath.clear();
    const bool wasOpen = m_port->isOpen();
    if (wasOpen)
        m_port->close();
    m_port->clearError();
    if (wasOpen)
        emit portOpenChanged(false);
}

void MSComm::deliverPendingInput()
{
    if (m_ownReading && !m_vanishing)
        m_reader->readNow(); // what the device holds has reached the program too
    // Stops when the handler leaves the bytes where they are.
    for (qint64 waiting = inBufferCount(); waiting > 0;) {
        emit dataReady();
        const qint64 left = inBufferCount();
        if (left >= waiting)
            break;
        waiting = left;
    }
}

QByteArray MSComm::input()
{
    if (!m_port->isOpen())
        return {};
    QByteArray data = m_ownReading ? m_reader->take(MaxInputRead) : m_port->read(MaxInputRead);
    if (inBufferCount() > 0)
        scheduleReceive();
    return data;
}

qint64 MSComm::inBufferCount() const
{
    if (!m_port->isOpen())
        return 0;
    return m_ownReading ? m_reader->available() : m_port->bytesAvailable();
}

QString MSComm::devicePath() const
{
    return m_devicePath;
}

// Received bytes are announced when the reader has read them; a read of Input
// that leaves bytes behind asks for one more announcement, queued, so that
// other events run in between. So each byte is delivered once and in order,
// and a handler that reads nothing is not called again until more arrives.
void MSComm::scheduleReceive()
{
    if (m_receiveScheduled)
        return;
    m_receiveScheduled = true;
    QMetaObject::invokeMethod(this, &MSComm::deliverReceive, Qt::QueuedConnection);
}

void MSComm::deliverReceive()
{
    m_receiveScheduled = false;
    if (inBufferCount() > 0)
        emit dataReady();
}

void MSComm::setLongestReadPause(int milliseconds)
{
    m_longestReadPause = milliseconds;
    paceReader();
}

// The wait asked for, shortened where the baud rate could fill the system's
// buffer meanwhile.
void MSComm::paceReader()
{
    m_reader->setLongestPause(std::min(m_longestReadPause, read_pacing::longestPauseAt(m_settings)));
}

// A hung-up device makes QSerialPort report ResourceError (or ReadError after
// a read of nothing) again each time its read notifier is re-armed, so the
// port is closed from the event loop, never inside the report, and further
// reports are ignored meanwhile.
void MSComm::portError(int error)
{
    if (error == QSerialPort::NoError || !m_port->isOpen() || m_vanishing)
        return;
    const bool gone = error == QSerialPort::ResourceError
        || (error == QSerialPort::ReadError && serial_linux::hungUp(int(m_port->handle())));
    if (gone)
        deviceGone();
}

void MSComm::deviceGone()
{
    if (!m_port->isOpen() || m_vanishing)
        return;
    m_vanishing = true;
    m_vanishWaiting = -1;
    m_linePoll->stop();
    QMetaObject::invokeMethod(this, &MSComm::finishVanish, Qt::QueuedConnection);
}

// Bytes that arrived before the device went are still handed over, as long as
// the handler keeps taking them; then the port closes and 68 is reported.
void MSComm::finishVanish()
{
    if (!m_vanishing || !m_port->isOpen())
        return;
    const qint64 waiting = inBufferCount();
    if (waiting > 0 && waiting != m_vanishWaiting) {
        m_vanishWaiting = waiting;
        emit dataReady();
        QMetaObject::invokeMethod(this, &MSComm::finishVanish, Qt::QueuedConnection);
        return;
    }
    closePort();
    emit deviceLost();
}

void MSComm::pollLine()
{
    if (!m_port->isOpen() || m_vanishing) {
        m_linePoll->stop();
        return;
    }
    const LineSnapshot now = serial_linux::readLine(int(m_port->handle()), m_lineWatch.wantsCounters(),
                                                    m_lineWatch.wantsModem());
    const std::vector<CommEvent> events = m_lineWatch.update(now);
    if (!m_lineWatch.worthPolling())
        m_linePoll->stop();
    for (const CommEvent event : events) {
        // A handler may have closed the port.
        if (!m_port->isOpen() || m_vanishing)
            break;
        emit lineEvent(event);
    }
}

} // namespace quillar
