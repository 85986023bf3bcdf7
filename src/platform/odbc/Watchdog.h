#pragma once
// Watchdog: ends a driver call that outlives its time. Calls are synchronous,
// so a server that accepted the connection and then stopped answering would
// hold the call (and the program) for ever; drivers' own timeouts cannot end
// it, because a frozen server answers neither a cancel request nor a statement
// timeout, and its host's kernel still answers TCP keepalives. When the time
// is up the watchdog shuts down the connection's sockets from its own thread,
// the blocked call returns with the driver's "connection lost" error, and
// every later call on that connection fails at once.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ob::odbc {

class Watchdog {
public:
    using Clock = std::chrono::steady_clock;
    // Yields the sockets to shut down, asked when the time is up.
    using SocketSource = std::function<std::vector<int>()>;

    Watchdog() = default;
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Shuts down the sockets `sockets` yields unless disarm() comes first.
    void arm(Clock::duration limit, SocketSource sockets);
    // True when the time ran out since arm().
    bool disarm();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Clock::time_point> m_deadline;
    SocketSource m_sockets;
    bool m_fired = false;
    bool m_stopping = false;
    std::thread m_thread; // started at the first arm()
};

// Arms a watchdog for one scope; nothing when `limit` is zero or there is nothing to cut.
class WatchdogScope {
public:
    WatchdogScope(Watchdog& dog, Watchdog::Clock::duration limit, Watchdog::SocketSource sockets);
    ~WatchdogScope();
    WatchdogScope(const WatchdogScope&) = delete;
    WatchdogScope& operator=(const WatchdogScope&) = delete;
    // Disarms now; true when the time ran out.
    bool fired();

private:
    Watchdog* m_dog = nullptr;
    bool m_fired = false;
};

} // namespace ob::odbc
