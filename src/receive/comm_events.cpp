#include "comm_events.h"

namespace quillar {

QString commEventStatus(int code, const QString &portBoxText)
{
    switch (code) {
    case CommEvent::Receive:
        return {};
    case CommEvent::Break:
        return QStringLiteral("Comm Break Detected");
    case CommEvent::Frame:
        return QStringLiteral("Comm Frame Error");
    case CommEvent::Overrun:
        return QStringLiteral("Comm OverRun Error");
    case CommEvent::RxOver:
        return QStringLiteral("Comm OverFlow Error");
    case CommEvent::RxParity:
        return QStringLiteral("Comm Parity Error");
    case CommEvent::TxFull:
        return QStringLiteral("Comm Tx Buffer Full");
    case CommEvent::DCB:
        return QStringLiteral("Comm Device Control Block Error");
    default:
        return QStringLiteral("Errore n.") + QString::number(code) + QStringLiteral(" su COM")
            + portBoxText;
    }
}

} // namespace quillar
