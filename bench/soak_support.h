#pragma once
// What the soak benches share: waiting on the event loop for a condition,
// and saying which cycle failed.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace quillar::bench {

// Runs the event loop until done() holds, or timeoutMs passed (false).
inline bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer look;
    look.start(5);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline int fail(int cycle, const char *what)
{
    std::printf("FAILED in cycle %d: %s\n", cycle, what);
    return 1;
}

} // namespace quillar::bench
