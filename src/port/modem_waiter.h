#pragma once

#include <atomic>
#include <functional>
#include <semaphore>
#include <thread>

namespace quillar {

class SerialDriver;

// Waits in the kernel for a modem line to change (TIOCMIWAIT), on a thread
// of its own that does nothing but wait and tell, so that watching the lines
// costs no wake-up until one moves. Stopping interrupts the wait with a
// signal (serial_linux::interrupt) and returns once the thread has ended.
class ModemWaiter
{
public:
    // Both from the waiter's thread: a line changed; the driver cannot wait
    // (its errno; the thread then ends).
    ModemWaiter(SerialDriver &driver, std::function<void()> changed, std::function<void(int error)> ended);
    ~ModemWaiter();
    ModemWaiter(const ModemWaiter &) = delete;
    ModemWaiter &operator=(const ModemWaiter &) = delete;

    void start(int fd);
    void stop();
    [[nodiscard]] bool isRunning() const { return m_thread.joinable(); }

private:
    void run(int fd);

    SerialDriver &m_driver;
    std::function<void()> m_changed;
    std::function<void(int)> m_ended;
    std::atomic<bool> m_stopping = false;
    std::binary_semaphore m_finished{0};
    std::thread m_thread;
};

} // namespace quillar
