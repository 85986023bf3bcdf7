#pragma once
// InstanceLock: detects a running instance of the program. An exclusive lock
// on a lock file next to the exchange file; a lock left by a dead process is
// released by the system and simply taken over.

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

private:
    int m_fd = -1;
};

} // namespace ob::sys
