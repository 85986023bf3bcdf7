#include "platform/system/Sockets.h"

#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>

namespace ob::sys {

namespace {

bool isSocket(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace

std::vector<int> openSockets()
{
    std::vector<int> sockets;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        dir = ::opendir("/dev/fd");
    }
    if (dir == nullptr) {
        return sockets;
    }
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        int fd = -1;
        const char* name = entry->d_name;
        const auto [end, ec] = std::from_chars(name, name + std::strlen(name), fd);
        if (ec != std::errc() || *end != '\0' || fd == own) {
            continue;
        }
        if (isSocket(fd)) {
            sockets.push_back(fd);
        }
    }
    ::closedir(dir);
    return sockets;
}

void shutDownSocket(int socket) noexcept
{
    ::shutdown(socket, SHUT_RDWR);
}

} // namespace ob::sys
