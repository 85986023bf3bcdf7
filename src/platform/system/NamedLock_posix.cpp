// POSIX side of NamedLock: abstract Unix sockets. bind() to a name that a
// live socket holds fails with EADDRINUSE, whoever holds it; the name is gone
// the moment the socket is closed, also when its process is killed.

#include "platform/system/NamedLock.h"

#include "platform/system/LockName.h"

#include "platform/Failure.h"
#include "platform/Text.h"
#include "platform/system/AbstractSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace ob::sys {

std::string lockName(const std::string& filePath, std::string_view purpose)
{
    const auto slash = filePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : filePath.substr(0, slash);
    const std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        throw Failure::fileAccess(folder + ": " + std::generic_category().message(errno));
    return lockNameText("ob32pyii", static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                        name, purpose, '/');
}

NamedLock::NamedLock(const std::string& filePath, std::string_view purpose, std::chrono::milliseconds bound)
{
    const std::string name = lockName(filePath, purpose);
    const auto deadline = std::chrono::steady_clock::now() + bound;
    auto pause = std::chrono::microseconds(100);
    for (;;) {
        m_fd = bindAbstract(name);
        if (m_fd >= 0)
            return;
        if (errno != EADDRINUSE)
            throw Failure::fileAccess(filePath + ": cannot take the write lock: " +
                                      std::generic_category().message(errno));
        if (std::chrono::steady_clock::now() >= deadline)
            throw Failure::fileAccess(filePath + ": another process held the write lock too long");
        // Holders keep it for one write, a few milliseconds at most.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
    }
}

NamedLock::~NamedLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace ob::sys
