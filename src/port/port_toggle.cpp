#include "port_toggle.h"

#include "mscomm.h"
#include "platform/modal_ui.h"
#include "platform/numbered_error.h"
#include "platform/rounding.h"

#include <QLocale>

#include <cmath>

namespace quillar {

namespace {

// Stand-in for NumericValue until the receive subsystem's lands: the number
// at the start of the text, blanks, tabs and line feeds ignored anywhere.
double numericValue(const QString &text)
{
    QString s;
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += c;
    }
    qsizetype i = 0;
    QString number;
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        number += s[i++];
    bool period = false;
    bool digits = false;
    for (; i < s.size(); ++i) {
        if (s[i].isDigit() && s[i].unicode() < 128) {
            digits = true;
        } else if (s[i] == QLatin1Char('.') && !period) {
            period = true;
        } else {
            break;
        }
        number += s[i];
    }
    if (!digits)
        return 0;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            exponent += s[j++];
        const qsizetype firstDigit = j;
        while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128)
            exponent += s[j++];
        if (j > firstDigit)
            number += exponent;
    }
    return number.toDouble();
}

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

void MSCommTogglePort::setCommPort(std::int16_t port) { m_comm.setCommPort(port); }
std::int16_t MSCommTogglePort::commPort() const { return m_comm.commPort(); }
void MSCommTogglePort::setSettings(const QString &settings) { m_comm.setSettings(settings); }
QString MSCommTogglePort::settings() const { return m_comm.settings(); }
void MSCommTogglePort::setPortOpen(bool open) { m_comm.setPortOpen(open); }
bool MSCommTogglePort::portOpen() const { return m_comm.portOpen(); }

QString PortToggle::settingsFor(const QString &baudBoxText)
{
    return decimal(numericValue(baudBoxText)) + QStringLiteral(",n,8,1");
}

void PortToggle::Command1_Click()
{
    m_ui.setStatus(QString());
    if (m_port.portOpen())
        close();
    else
        open();
}

void PortToggle::close()
{
    m_ui.setStatus(PortPrefix + QString::number(m_port.commPort()) + QStringLiteral(": CLOSED"));
    m_port.setPortOpen(false);
    m_ui.setButtonCaption(QStringLiteral("Open"));
    m_ui.setButtonToolTip(QStringLiteral("Open COM") + m_ui.portBoxText());
    m_ui.focusDisplay();
}

void PortToggle::open()
{
    const QString portText = m_ui.portBoxText();
    try {
        const auto port = roundToInt16(numericValue(portText));
        if (!port)
            throw NumberedError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
        m_port.setCommPort(*port);
        m_port.setSettings(settingsFor(m_ui.baudBoxText()));
        m_port.setPortOpen(true);
    } catch (const NumberedError &error) {
        switch (error.number()) {
        case ErrorNumber::DeviceUnavailable:
        case ErrorNumber::InvalidPortNumber:
        case ErrorNumber::PortNotOpen:
            m_ui.setStatus(QStringLiteral("Numero di Porta COM") + portText + QStringLiteral(" non valido"));
            m_ui.setBoxInError(PortToggleUi::Box::Port, true);
            m_ui.focusBox(PortToggleUi::Box::Port);
            break;
        case ErrorNumber::InvalidPropertyValue:
            m_ui.setStatus(QStringLiteral("Vel. Baud Porta COM") + portText + QStringLiteral(" non valida"));
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
        return;
    }
    m_ui.setStatus(PortPrefix + portText + QStringLiteral(": ") + m_port.settings() + QStringLiteral(" OK"));
    m_ui.setBoxInError(PortToggleUi::Box::Baud, false);
    m_ui.setBoxInError(PortToggleUi::Box::Port, false);
    m_ui.setButtonCaption(QStringLiteral("Close"));
    m_ui.setButtonToolTip(QStringLiteral("Close COM") + portText);
    m_ui.focusDisplay();
}

void PortToggle::txtCom1_Change()
{
    if (!m_port.portOpen())
        m_ui.setButtonToolTip(QStringLiteral("Open COM") + m_ui.portBoxText());
}

void PortToggle::portClosedByControl()
{
    if (m_port.portOpen())
        return;
    m_ui.setButtonCaption(QStringLiteral("Open"));
    m_ui.setButtonToolTip(QStringLiteral("Open COM") + m_ui.portBoxText());
}

} // namespace quillar
