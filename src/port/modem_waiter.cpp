#include "modem_waiter.h"

#include "port/serial_driver.h"
#include "port/serial_linux.h"

#include <cerrno>
#include <chrono>

namespace quillar {

ModemWaiter::ModemWaiter(SerialDriver &driver, std::function<void()> changed, std::function<void(int)> ended)
    : m_driver(driver),
      m_changed(std::move(changed)),
      m_ended(std::move(ended))
{ }

ModemWaiter::~ModemWaiter()
{
    stop();
}

void ModemWaiter::start(int fd)
{
    stop();
    m_stopping = false;
    m_thread = std::thread([this, fd] {
        serial_linux::nameThisThread("quillar-modem");
        run(fd);
    });
}

void ModemWaiter::stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    // The signal may come just before the thread enters the wait, and is
    // then lost: it is sent again until the thread has ended.
    do {
        serial_linux::interrupt(m_thread);
    } while (!m_finished.try_acquire_for(std::chrono::milliseconds(2)));
    m_thread.join();
}

void ModemWaiter::run(int fd)
{
    while (!m_stopping) {
        const int error = m_driver.waitModemChange(fd);
        if (m_stopping)
            break;
        if (error == 0) {
            m_changed();
        } else if (error != EINTR) {
            m_ended(error);
            break;
        }
    }
    m_finished.release();
}

} // namespace quillar
