#include "receive_path.h"

// Placeholder until the receive path lands.
namespace quillar {
ReceivePath::ReceivePath(DisplayBuffer &, ReceiveBoxes, QObject *parent) : QObject(parent) {}
void ReceivePath::ReceiveInput(const QByteArray &) {}
void ReceivePath::Timer1_Timer() {}
void ReceivePath::Text1_Change() {}
qint64 ReceivePath::lineByteCount() const { return 0; }
void ReceivePath::setLineByteCount(qint64) {}
QString commEventStatus(int, const QString &) { return {}; }
} // namespace quillar
