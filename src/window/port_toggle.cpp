#include "port_toggle.h"

#include "platform/modal_ui.h"
#include "platform/numbered_error.h"
#include "platform/rounding.h"
#include "platform/numeric_value.h"

#include <QLocale>

#include <utility>

#include <cmath>

namespace quillar {

namespace {

// The baud number in decimal: whole numbers as plain digits, others in the
// shortest form that reads back the same.
QString decimal(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

const QString PortPrefix = QStringLiteral("Porta COM");

} // namespace

QString PortToggle::settingsFor(const QString &baudBoxText)
{
    return decimal(NumericValue(baudBoxText)) + QStringLiteral(",n,8,1");
}

void PortToggle::toggle()
{
    toggle(false);
}

void PortToggle::toggleAtStartUp()
{
    toggle(true);
}

void PortToggle::toggle(bool atStartUp)
{
    m_ui.setStatus(QString());
    if (m_port.portOpen() || m_port.portConnecting())
        close();
    else
        open(atStartUp);
}

void PortToggle::close()
{
    m_waiting = Waiting::None;
    m_ui.setStatus(PortPrefix + QString::number(m_port.commPort()) + QStringLiteral(": CLOSED"));
    m_port.setPortOpen(false);
    m_ui.setButtonCaption(QStringLiteral("Open"));
    m_ui.setButtonToolTip(QStringLiteral("Open COM") + m_ui.portBoxText());
    m_ui.focusDisplay();
}

void PortToggle::open(bool atStartUp)
{
    m_waiting = Waiting::None;
    const QString portText = m_ui.portBoxText();
    try {
        const auto port = roundToInt16(NumericValue(portText));
        if (!port)
            throw NumberedError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
        m_port.setCommPort(*port);
        m_port.setSettings(settingsFor(m_ui.baudBoxText()));
        if (const QString console = atStartUp ? m_port.consoleBehind() : QString(); !console.isEmpty()) {
            showConsoleLeftClosed(portText, console);
            return;
        }
        m_port.setPortOpen(true);
    } catch (const NumberedError &error) {
        reportOpenFailure(error, portText);
        return;
    }
    if (m_port.portConnecting()) {
        m_waiting = Waiting::Open;
        m_waitingPortText = portText;
        showConnecting(portText);
        return;
    }
    showOpened(portText);
    m_ui.focusDisplay();
}

void PortToggle::showConsoleLeftClosed(const QString &portText, const QString &console)
{
    m_ui.setStatus(PortPrefix + portText + QStringLiteral(" non aperta: è la console"));
    m_ui.setStatusDetail(console
                         + QStringLiteral(" è la console di sistema e aprirla ne cambierebbe la velocità; "
                                          "Open la apre comunque."));
}

void PortToggle::showConnecting(const QString &portText)
{
    m_ui.setStatus(PortPrefix + portText + QStringLiteral(": connessione a ") + m_port.devicePath()
                   + QStringLiteral("\u2026"));
    m_ui.setButtonCaption(QStringLiteral("Annulla"));
    m_ui.setButtonToolTip(QStringLiteral("Annulla la connessione COM") + portText);
}

void PortToggle::connectFinished(const NumberedError *failure)
{
    const Waiting waiting = std::exchange(m_waiting, Waiting::None);
    if (waiting == Waiting::None)
        return;
    if (!failure) {
        showOpened(m_waitingPortText);
        if (waiting == Waiting::Open)
            m_ui.focusDisplay();
        return;
    }
    if (waiting == Waiting::QuietReopen) {
        portClosedByControl();
        m_ui.setStatusDetail(failure->description());
        return;
    }
    m_ui.setStatus(QString());
    portClosedByControl();
    reportOpenFailure(*failure, m_waitingPortText);
}

void PortToggle::setConnectReported(bool reported)
{
    if (m_waiting == Waiting::Open && !reported)
        m_waiting = Waiting::QuietReopen;
    else if (m_waiting == Waiting::QuietReopen && reported)
        m_waiting = Waiting::Open;
}

void PortToggle::reportReopenFailure(const NumberedError &error)
{
    reportOpenFailure(error, m_ui.portBoxText());
}

bool PortToggle::reopen(const QString &devicePath, bool report)
{
    m_waiting = Waiting::None;
    const QString portText = m_ui.portBoxText();
    try {
        m_port.openDevice(devicePath);
    } catch (const NumberedError &error) {
        if (report)
            reportOpenFailure(error, portText);
        return false;
    }
    if (m_port.portConnecting()) {
        m_waiting = report ? Waiting::ReportedReopen : Waiting::QuietReopen;
        m_waitingPortText = portText;
        return false;
    }
    showOpened(portText);
    return true;
}

void PortToggle::reportOpenFailure(const NumberedError &error, const QString &portText)
{
    switch (error.number()) {
    case ErrorNumber::DeviceUnavailable:
    case ErrorNumber::InvalidPortNumber:
    case ErrorNumber::PortNotOpen:
        m_ui.setStatus(QStringLiteral("Numero di Porta COM") + portText + QStringLiteral(" non valido"));
        m_ui.setStatusDetail(error.description());
        m_ui.setBoxInError(PortToggleUi::Box::Port, true);
        m_ui.focusBox(PortToggleUi::Box::Port);
        break;
    case ErrorNumber::InvalidPropertyValue:
        m_ui.setStatus(QStringLiteral("Vel. Baud Porta COM") + portText + QStringLiteral(" non valida"));
        m_ui.setStatusDetail(error.description());
        m_ui.setBoxInError(PortToggleUi::Box::Baud, true);
        m_ui.focusBox(PortToggleUi::Box::Baud);
        break;
    default:
        modalUi().messageBox(m_ui.dialogParent(),
                             QStringLiteral("Errore Porta Seriale n.") + QString::number(error.number())
                                 + QStringLiteral("\r\n") + error.description(),
                             QStringLiteral("Quillar"), ModalUi::Icon::Warning);
        break;
    }
    modalUi().beep();
}

void PortToggle::showOpened(const QString &portText)
{
    m_ui.setStatus(PortPrefix + portText + QStringLiteral(": ") + m_port.settings() + QStringLiteral(" OK"));
    m_ui.setBoxInError(PortToggleUi::Box::Baud, false);
    m_ui.setBoxInError(PortToggleUi::Box::Port, false);
    m_ui.setButtonCaption(QStringLiteral("Close"));
    m_ui.setButtonToolTip(QStringLiteral("Close COM") + portText);
}

void PortToggle::portBoxChanged()
{
    if (!m_port.portOpen() && !m_port.portConnecting())
        m_ui.setButtonToolTip(QStringLiteral("Open COM") + m_ui.portBoxText());
}

void PortToggle::portClosedByControl()
{
    if (m_port.portOpen() || m_port.portConnecting())
        return;
    m_ui.setButtonCaption(QStringLiteral("Open"));
    m_ui.setButtonToolTip(QStringLiteral("Open COM") + m_ui.portBoxText());
}

} // namespace quillar
