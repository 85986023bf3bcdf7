#include "platform/system/InstanceLock.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ob::sys {

InstanceLock::InstanceLock(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    // The lock belongs to the open file and dies with the process, so a lock
    // file left behind by a crash never blocks a new start.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    char text[24];
    char* end = std::to_chars(text, text + sizeof text - 1, static_cast<long>(::getpid())).ptr;
    *end++ = '\n';
    if (::ftruncate(m_fd, 0) == 0) {
        // Only a help for watchers; the lock works without it.
        [[maybe_unused]] const auto written = ::pwrite(m_fd, text, static_cast<std::size_t>(end - text), 0);
    }
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0) {
        [[maybe_unused]] const int rc = ::ftruncate(m_fd, 0);
        ::close(m_fd);
    }
}

long InstanceLock::holderProcess(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[32];
    const auto n = ::read(fd, text, sizeof text);
    ::close(fd);
    if (n <= 0)
        return 0;
    long pid = 0;
    const auto parsed = std::from_chars(text, text + n, pid);
    if (parsed.ec != std::errc() || pid <= 0)
        return 0;
    // A process that exists but belongs to someone else answers EPERM.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
        return pid;
    return 0;
}

} // namespace ob::sys
