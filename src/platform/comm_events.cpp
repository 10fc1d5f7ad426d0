#include "comm_events.h"

namespace quillar {

QString commEventStatus(CommEvent event, const QString &portBoxText)
{
    switch (event) {
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
    case CommEvent::Dcb:
        return QStringLiteral("Comm Device Control Block Error");
    default:
        return QStringLiteral("Errore n.") + QString::number(static_cast<int>(event)) + QStringLiteral(" su COM")
            + portBoxText;
    }
}

} // namespace quillar
