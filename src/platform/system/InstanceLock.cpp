#include "platform/system/InstanceLock.h"

#include "platform/system/SideFile.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace ob::sys {

namespace {

constexpr std::string_view kStarted = "started\n";

// The lock file's text: "<pid>\n", then "started\n" once start-up finished.
std::string contentOf(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    char text[64];
    const auto n = ::read(fd, text, sizeof text);
    ::close(fd);
    return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

} // namespace

InstanceLock::InstanceLock(const std::string& path, const std::string& guarded)
{
    const int fd = openSideFile(path, guarded, m_writable);
    if (fd < 0) {
        m_error = path + ": " + std::generic_category().message(errno);
        return;
    }
    // The lock belongs to the open file and dies with the process, so a lock
    // file left behind by a crash never blocks a new start.
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        m_elsewhere = errno == EWOULDBLOCK;
        m_error = path + ": " + std::generic_category().message(errno);
        ::close(fd);
        return;
    }
    m_fd = fd;
    if (!m_writable)
        return; // another account's lock file: locked, but nothing to tell watchers
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
        if (m_writable) {
            [[maybe_unused]] const int rc = ::ftruncate(m_fd, 0);
        }
        ::close(m_fd);
    }
}

void InstanceLock::announceStarted()
{
    if (m_fd < 0 || !m_writable)
        return;
    const auto size = ::lseek(m_fd, 0, SEEK_END);
    if (size > 0) {
        [[maybe_unused]] const auto written = ::pwrite(m_fd, kStarted.data(), kStarted.size(), size);
    }
}

long InstanceLock::holderProcess(const std::string& path)
{
    const std::string text = contentOf(path);
    long pid = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (parsed.ec != std::errc() || pid <= 0)
        return 0;
    // A process that exists but belongs to someone else answers EPERM.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
        return pid;
    return 0;
}

bool InstanceLock::holderStarted(const std::string& path)
{
    const std::string text = contentOf(path);
    const auto eol = text.find('\n');
    return eol != std::string::npos && std::string_view(text).substr(eol + 1) == kStarted &&
           holderProcess(path) != 0;
}

} // namespace ob::sys
