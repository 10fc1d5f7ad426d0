#include "device_watch.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace quillar {

namespace {

constexpr uint32_t Events = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

} // namespace

DeviceWatch::DeviceWatch(QObject *parent) : QObject(parent), m_poll(new QTimer(this))
{
    m_poll->setInterval(PollMs);
    connect(m_poll, &QTimer::timeout, this, &DeviceWatch::changed);
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        m_notifier->setEnabled(false);
        connect(m_notifier, &QSocketNotifier::activated, this, &DeviceWatch::readEvents);
    }
}

DeviceWatch::~DeviceWatch()
{
    if (m_fd >= 0) {
        delete m_notifier;
        ::close(m_fd);
    }
}

void DeviceWatch::watch(const QList<WatchPoint> &points)
{
    if (!points.isEmpty() && points == m_points)
        return;
    removeWatches();
    m_points = points;
    bool watched = m_fd >= 0;
    for (const WatchPoint &point : points) {
        if (!watched)
            break;
        const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(point.folder).constData(), Events);
        if (wd < 0) {
            // Out of watches, or a folder that cannot be watched: look instead.
            watched = false;
            break;
        }
        m_names[wd].insert(point.name);
    }
    if (!watched) {
        removeWatches();
        m_points = points;
    }
    if (m_notifier)
        m_notifier->setEnabled(watched && !points.isEmpty());
    if (watched || points.isEmpty())
        m_poll->stop();
    else
        m_poll->start();
}

void DeviceWatch::stop()
{
    watch({});
}

void DeviceWatch::removeWatches()
{
    for (auto it = m_names.cbegin(); it != m_names.cend(); ++it)
        ::inotify_rm_watch(m_fd, it.key());
    m_names.clear();
    m_points.clear();
}

void DeviceWatch::readEvents()
{
    alignas(inotify_event) char buffer[4096];
    bool relevant = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            const auto names = m_names.constFind(event->wd);
            if (event->mask & IN_Q_OVERFLOW) {
                relevant = true;
            } else if (names == m_names.cend()) {
                continue; // a watch removed meanwhile
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                // The folder went: the owner watches the one above instead.
                m_points.clear();
                relevant = true;
            } else if (event->len > 0 && names->contains(QFile::decodeName(event->name))) {
                relevant = true;
            }
        }
    }
    if (relevant)
        emit changed();
}

} // namespace quillar
