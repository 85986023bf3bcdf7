// POSIX side of SharedFile: flock on a sidecar lock file, temporary file,
// fsync and rename.

#include "platform/Failure.h"
#include "platform/ini/SharedFile.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <charconv>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace ob::ini {

namespace {

std::string describe(const std::string& path, int error)
{
    return path + ": " + std::generic_category().message(error);
}

[[noreturn]] void fail(const std::string& path, int error)
{
    throw Failure::fileAccess(describe(path, error));
}

class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const noexcept { return m_fd; }
    int release() noexcept { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

int openRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void readAll(int fd, const std::string& path, std::string& out)
{
    char buffer[65536];
    for (;;) {
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(path, errno);
        }
        if (n == 0)
            return;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

void writeAll(int fd, const std::string& path, std::string_view data)
{
    while (!data.empty()) {
        const auto n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(path, errno);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The file as one reading saw it: its identity, size, times and bytes.
struct Snapshot {
    bool exists = false;
    struct stat info {};
    std::string content;
};

Snapshot snapshot(const std::string& path)
{
    Snapshot snap;
    Descriptor fd(openRetrying(path.c_str(), O_RDONLY));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return snap;
        fail(path, errno);
    }
    if (::fstat(fd.get(), &snap.info) != 0)
        fail(path, errno);
    snap.exists = true;
    snap.content.reserve(static_cast<std::size_t>(snap.info.st_size));
    readAll(fd.get(), path, snap.content);
    return snap;
}

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// True when the file is still exactly what `before` saw. The metadata catches
// a replacement or a write; the content compare catches a writer whose change
// fell within the file system's time resolution.
bool unchangedSince(const std::string& path, const Snapshot& before)
{
    const Snapshot now = snapshot(path);
    if (now.exists != before.exists)
        return false;
    if (!now.exists)
        return true;
    const auto& a = now.info;
    const auto& b = before.info;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && sameTime(a.st_mtim, b.st_mtim) &&
           sameTime(a.st_ctim, b.st_ctim) && now.content == before.content;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string decimal(unsigned long number)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    return std::string(buffer, end);
}

// A new file next to `path`, created with the usual permissions (umask applied).
int createTemporary(const std::string& path, std::string& name)
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        name = path + "." + decimal(static_cast<unsigned long>(::getpid())) + "-" + decimal(counter++) + ".tmp";
        const int fd = openRetrying(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Removes the temporary files "<path>.<pid>-<n>.tmp" that writers killed
// between creating and renaming them left behind. Call it under the lock:
// every live writer holds the lock while its temporary exists, so any
// temporary seen here belongs to a writer that is gone. Without this each
// killed writer would leave a copy of the file in the Windows folder for good.
void removeStaleTemporaries(const std::string& path)
{
    const std::string folder = folderOf(path);
    const auto slash = path.find_last_of('/');
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() + 4 || name.substr(0, prefix.size()) != prefix ||
            name.substr(name.size() - 4) != ".tmp")
            continue;
        const auto middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        const auto dash = middle.find('-');
        if (dash != std::string_view::npos && allDigits(middle.substr(0, dash)) && allDigits(middle.substr(dash + 1)))
            stale.emplace_back(folder + "/" + std::string(name));
    }
    ::closedir(dir);
    // A temporary that cannot be removed costs nothing but space: the write goes on.
    for (const auto& file : stale)
        ::unlink(file.c_str());
}

// Exclusive lock on "<path>.lock", held until destruction. The lock file is
// never removed: removing it would let two writers lock different files.
class WriteLock {
public:
    explicit WriteLock(const std::string& path) : m_fd(openRetrying((path + ".lock").c_str(), O_RDWR | O_CREAT, 0666))
    {
        if (m_fd.get() < 0)
            fail(path + ".lock", errno);
        while (::flock(m_fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                fail(path + ".lock", errno);
        }
    }

private:
    Descriptor m_fd; // closing it releases the lock
};

constexpr int kMaxAttempts = 100;

} // namespace

std::string readFile(const std::string& path)
{
    return snapshot(path).content;
}

std::string updateFile(const std::string& path, const std::function<std::string(const std::string&)>& change)
{
    WriteLock lock(path);
    removeStaleTemporaries(path);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const Snapshot before = snapshot(path);
        std::string after = change(before.content);
        if (before.exists && after == before.content)
            return after;

        std::string temporary;
        Descriptor fd(createTemporary(path, temporary));
        if (fd.get() < 0)
            fail(path, errno);
        try {
            if (before.exists && ::fchmod(fd.get(), before.info.st_mode & 07777) != 0)
                fail(temporary, errno);
            writeAll(fd.get(), temporary, after);
            if (::fsync(fd.get()) != 0)
                fail(temporary, errno);
            if (::close(fd.release()) != 0)
                fail(temporary, errno);
            // A peer that writes without our lock (PYRALIS II) may have changed
            // the file since it was read: then start over on its content.
            if (!unchangedSince(path, before)) {
                ::unlink(temporary.c_str());
                continue;
            }
            if (::rename(temporary.c_str(), path.c_str()) != 0)
                fail(path, errno);
        } catch (...) {
            ::unlink(temporary.c_str());
            throw;
        }
        // Make the rename itself durable; a failure here loses nothing already visible.
        Descriptor folder(openRetrying(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY));
        if (folder.get() >= 0)
            ::fsync(folder.get());
        return after;
    }
    throw Failure::fileAccess(path + ": the file kept changing while it was being written");
}

} // namespace ob::ini
