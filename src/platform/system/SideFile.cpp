#include "platform/system/SideFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ob::sys {

int openSideFile(const std::string& path, const std::string& guarded, bool& writable)
{
    for (;;) {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            writable = true;
            return fd;
        }
        if (errno == EINTR)
            continue;
        if (errno == EACCES || errno == EPERM || errno == EROFS) {
            do {
                fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            } while (fd < 0 && errno == EINTR);
            writable = false;
            return fd;
        }
        if (errno != ENOENT)
            return -1;
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR)
                continue; // another process created it first: open theirs
            return -1;
        }
        // The umask would leave the side file writable for its creator alone.
        struct stat info {};
        if (!guarded.empty() && ::stat(guarded.c_str(), &info) == 0) {
            [[maybe_unused]] const int group = ::fchown(fd, static_cast<uid_t>(-1), info.st_gid);
            [[maybe_unused]] const int mode = ::fchmod(fd, info.st_mode & 0666);
        }
        writable = true;
        return fd;
    }
}

} // namespace ob::sys
