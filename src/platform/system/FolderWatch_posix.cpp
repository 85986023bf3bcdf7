// POSIX side of FolderWatch: inotify on the folder (a watch on the file
// itself would end with the first replacement by rename), events filtered by
// the file's name.

#include "platform/system/FolderWatch.h"

#include "platform/Text.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>

namespace ob::sys {

struct FolderWatch::State {
    int fd = -1;
    std::string name;
};

FolderWatch::FolderWatch(const std::string& filePath) : m_state(std::make_unique<State>())
{
    const auto slash = filePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : filePath.substr(0, slash);
    m_state->name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
    m_state->fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_state->fd < 0) {
        m_error = std::generic_category().message(errno);
        return;
    }
    // Writes in place, closes after writing, renames onto it, creation.
    if (::inotify_add_watch(m_state->fd, folder.c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) < 0) {
        m_error = folder + ": " + std::generic_category().message(errno);
        ::close(m_state->fd);
        m_state->fd = -1;
    }
}

FolderWatch::~FolderWatch()
{
    if (m_state->fd >= 0)
        ::close(m_state->fd);
}

bool FolderWatch::started() const
{
    return m_state->fd >= 0;
}

std::intptr_t FolderWatch::handle() const
{
    return m_state->fd;
}

bool FolderWatch::consume()
{
    if (m_state->fd < 0)
        return false;
    bool ours = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const auto n = ::read(m_state->fd, buffer, sizeof buffer);
        if (n <= 0)
            return ours; // EAGAIN: nothing more pending
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            // Wine keeps the name as the peer first created it: compare as Windows does.
            if (event.len > 0 && text::iequals(std::string_view(name, ::strnlen(name, event.len)), m_state->name))
                ours = true;
            if (event.mask & IN_Q_OVERFLOW)
                ours = true;
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
}

} // namespace ob::sys
