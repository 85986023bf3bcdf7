#pragma once
// InstanceLock: one program per exchange file. The lock is a kernel object
// named after the exchange file (see NamedLock.h), so it needs no file in the
// Windows folder, works for every account that can reach the file, and dies
// with its holder: a crash never blocks the next start. Once its start values
// are written the holder also says "started", so that a peer that sends a
// request does not send it into a start-up that would empty it.

#include <memory>
#include <string>

namespace ob::sys {

class InstanceLock {
public:
    // Tries to take the lock of the exchange file `exchangePath`; never
    // throws, see held() and runningElsewhere().
    explicit InstanceLock(const std::string& exchangePath);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool held() const noexcept { return m_held; }
    // True when another process holds the lock: the one reason to end a
    // start silently. Not held for any other reason is a failure: error().
    bool runningElsewhere() const noexcept { return m_elsewhere; }
    // Why the lock could not be taken, or empty.
    const std::string& error() const noexcept { return m_error; }

    // Tells watchers that start-up has finished (see Watcher::started).
    void announceStarted();

    // Whether some process holds the lock of `exchangePath`, whatever its
    // account. Asking never takes the lock, so it cannot make a starting
    // program believe another instance is running.
    static bool isHeld(const std::string& exchangePath);

    // A peer's view of the program that serves an exchange file: it follows
    // the one program that announced its start, so a program that ended, or
    // a new start in its place, is never taken for it.
    class Watcher {
    public:
        explicit Watcher(std::string exchangePath);
        ~Watcher();
        Watcher(const Watcher&) = delete;
        Watcher& operator=(const Watcher&) = delete;
        // True once a holder has announced its start; from then on that
        // program is the one followed.
        bool started();
        // The followed program still runs (before started(): any holder).
        bool alive();

    private:
        std::string m_path;
        long long m_handle = -1; // POSIX: socket; Windows: process handle
    };

private:
    std::string m_path;
    bool m_held = false;
    bool m_elsewhere = false;
    std::string m_error;
    long long m_run = -1;     // POSIX: socket; Windows: mutex handle
    long long m_started = -1; // POSIX: socket; Windows: file mapping handle
};

} // namespace ob::sys
