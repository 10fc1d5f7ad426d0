#pragma once

#include "platform/clock.h"
#include "platform/stamped_bytes.h"
#include "port/held_bytes.h"
#include "port/line_conditions.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <semaphore>
#include <thread>

namespace quillar {

class SerialDriver;

// Reads an open serial device on a thread of its own, everything that waits
// at each arrival, into a buffer the GUI thread takes from. A hang-up throws
// away what the system still holds, so nothing is left there for the GUI
// thread to fetch when it gets round to it: a frame being painted or a file
// being saved must not decide what a pulled adapter takes with it. While
// nothing arrives the thread sleeps in the kernel and costs nothing.
//
// Each read is stamped with the time it found the bytes, so that a line's
// time is its first byte's, however late the GUI thread takes it. The error
// counters are read after each read that found bytes, as the conditions they
// count come with received bytes.
class DeviceReader
{
public:
    // What the thread tells, each from the reader's thread: bytes arrived and
    // someone asked (notifyAfter); the counters moved; the device is
    // gone (after the last bytes were read; the thread then ends).
    struct Listener
    {
        std::function<void()> readable;
        std::function<void(std::vector<CommEvent>)> lineEvents;
        std::function<void()> hungUp;
    };

    // The most read bytes held for the GUI thread; beyond it the reader
    // pauses and the system's own buffer and flow control take over.
    static constexpr qint64 MaxHeld = 8 * 1024 * 1024;

    // clock: where each read's time is taken.
    DeviceReader(SerialDriver &driver, Listener listener, Clock &clock = Clock::steady());
    ~DeviceReader();
    DeviceReader(const DeviceReader &) = delete;
    DeviceReader &operator=(const DeviceReader &) = delete;

    // Starts reading fd, and returns once the thread runs, so that a port
    // just opened is read from its first byte on; `counters` is the baseline
    // of the error counters, none when the driver keeps none. Returns 0, or
    // the errno of the failure to make the handle that wakes the thread to
    // stop (no descriptor left): then nothing reads, since nothing could
    // stop it while the device is silent.
    [[nodiscard]] int start(int fd, std::optional<LineCounters> counters);
    // Returns once the thread has ended; the buffer is dropped.
    void stop();
    // The thread ends, and what the device holds now is read on the
    // caller's thread; nothing is read after. The buffer stays to be taken.
    void finish();

    [[nodiscard]] qint64 available() const;
    [[nodiscard]] StampedBytes take(qint64 max);
    // Bytes read since start.
    [[nodiscard]] quint64 received() const;
    // One `readable` once more than `seen` bytes have been read since start.
    void notifyAfter(quint64 seen);

private:
    struct Outcome
    {
        qint64 bytes = 0;
        bool hungUp = false;
    };
    void run();
    void endThread();
    Outcome readLocked();
    void checkCounters();

    SerialDriver &m_driver;
    Listener m_listener;
    Clock &m_clock;
    int m_fd = -1;
    int m_wake = -1;
    std::thread m_thread;
    std::binary_semaphore m_running{0};

    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_room;
    bool m_stopping = false;
    bool m_notify = false;
    bool m_gone = false;
    HeldBytes m_held;
    quint64 m_received = 0;

    // The reader thread's own.
    LineConditionWatch m_counters;
};

} // namespace quillar
