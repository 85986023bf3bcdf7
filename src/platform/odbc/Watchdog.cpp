#include "platform/odbc/Watchdog.h"

#include "platform/system/Sockets.h"

namespace ob::odbc {

Watchdog::~Watchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_deadline.reset();
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void Watchdog::arm(Clock::duration limit, SocketSource sockets)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = Clock::now() + limit;
        m_sockets = std::move(sockets);
        m_fired = false;
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { run(); });
        }
    }
    m_changed.notify_all();
}

bool Watchdog::disarm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_deadline.reset();
    m_sockets = nullptr;
    return m_fired;
}

void Watchdog::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        if (!m_deadline) {
            m_changed.wait(lock);
            continue;
        }
        if (Clock::now() < *m_deadline) {
            m_changed.wait_until(lock, *m_deadline);
            continue;
        }
        // Still armed under the lock, so the call that armed it is still
        // inside the driver and its sockets are still its own.
        for (const int socket : m_sockets()) {
            sys::shutDownSocket(socket);
        }
        m_fired = true;
        m_deadline.reset();
    }
}

WatchdogScope::WatchdogScope(Watchdog& dog, Watchdog::Clock::duration limit, Watchdog::SocketSource sockets)
{
    if (limit > Watchdog::Clock::duration::zero() && sockets) {
        dog.arm(limit, std::move(sockets));
        m_dog = &dog;
    }
}

WatchdogScope::~WatchdogScope()
{
    fired();
}

bool WatchdogScope::fired()
{
    if (m_dog != nullptr) {
        m_fired = m_dog->disarm();
        m_dog = nullptr;
    }
    return m_fired;
}

} // namespace ob::odbc
