#pragma once

#include "port/device_identity.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace quillar {

// Tells when one of a few names may have appeared: created, moved in, or
// given a new owner or mode (the system creates a device before it sets its
// group). inotify on the folders, so that waiting costs nothing; where
// inotify is not to be had, a look twice a second. The owner checks for
// itself what changed. The Linux calls live in device_watch_linux.cpp.
class DeviceWatch : public QObject
{
    Q_OBJECT

public:
    // The slowest look when inotify is missing.
    static constexpr int PollMs = 500;

    explicit DeviceWatch(QObject *parent = nullptr);
    ~DeviceWatch() override;
    DeviceWatch(const DeviceWatch &) = delete;
    DeviceWatch &operator=(const DeviceWatch &) = delete;

    // Watches these points, in place of any before.
    void watch(const QList<WatchPoint> &points);
    void stop();
    [[nodiscard]] bool isWatching() const { return !m_points.isEmpty(); }

signals:
    void changed();

private:
    void readEvents();
    void removeWatches();

    QList<WatchPoint> m_points;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_poll = nullptr;
    QHash<int, QSet<QString>> m_names; // watch descriptor -> names that matter in its folder
};

} // namespace quillar
