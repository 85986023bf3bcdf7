#pragma once
// InstanceLock: detects a running instance of the program. An exclusive lock
// on a lock file next to the exchange file; a lock left by a dead process is
// released by the system and simply taken over. The holder writes its process
// id into the file so that others can watch it without touching the lock.

#include <string>

namespace ob::sys {

class InstanceLock {
public:
    // Tries to take the lock on `path`; never fails, see held().
    explicit InstanceLock(const std::string& path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds the lock.
    bool held() const noexcept { return m_fd >= 0; }

    // The process id of the live process that holds the lock on `path`, or 0.
    // Reads the id the holder wrote; never takes the lock itself, so asking
    // cannot make a starting program believe another instance is running.
    static long holderProcess(const std::string& path);

private:
    int m_fd = -1;
};

} // namespace ob::sys
