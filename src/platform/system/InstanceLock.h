#pragma once
// InstanceLock: detects a running instance of the program. An exclusive lock
// on a lock file next to the exchange file; a lock left by a dead process is
// released by the system and simply taken over. The holder writes its process
// id into the file so that others can watch it without touching the lock, and
// a second line "started" once its start-up has written the start values.

#include <string>

namespace ob::sys {

class InstanceLock {
public:
    // Tries to take the lock on `path`, a side file of `guarded` (created as
    // writable as it); never throws, see held() and runningElsewhere().
    explicit InstanceLock(const std::string& path, const std::string& guarded = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool held() const noexcept { return m_fd >= 0; }
    // True when another process holds the lock: the one reason to end a
    // start silently. Not held for any other reason is a failure: error().
    bool runningElsewhere() const noexcept { return m_elsewhere; }
    // Why the lock could not be taken ("<path>: <system message>"), or empty.
    const std::string& error() const noexcept { return m_error; }

    // Tells watchers that start-up has finished (see holderStarted).
    void announceStarted();

    // The process id of the live process that holds the lock on `path`, or 0.
    // Reads the id the holder wrote; never takes the lock itself, so asking
    // cannot make a starting program believe another instance is running.
    static long holderProcess(const std::string& path);
    // Whether that process has announced the end of its start-up.
    static bool holderStarted(const std::string& path);

private:
    int m_fd = -1;
    bool m_writable = false;
    bool m_elsewhere = false;
    std::string m_error;
};

} // namespace ob::sys
