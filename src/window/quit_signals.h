#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillar {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that
// a program stopped from outside shuts down as if its window were closed.
// The handler only writes a byte to a socket pair; the notifier reads it in
// the event loop. One instance at a time; the default handling comes back
// when it is destroyed.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals &) = delete;
    QuitSignals &operator=(const QuitSignals &) = delete;

signals:
    void received(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace quillar
