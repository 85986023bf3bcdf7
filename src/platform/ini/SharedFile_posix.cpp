// POSIX side of SharedFile: the named write lock, then a temporary file,
// fsync and rename where the folder allows it, and a rewrite in place where
// it does not.

#include "platform/Failure.h"
#include "platform/ini/InPlaceFiles.h"
#include "platform/ini/SharedFile.h"
#include "platform/ini/WholeSnapshot.h"
#include "platform/system/NamedLock.h"

#include <atomic>
#include <mutex>
#include <set>
#include <cerrno>
#include <chrono>
#include <climits>
#include <dirent.h>
#include <charconv>
#include <thread>
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

Snapshot wholeSnapshot(const std::string& path, const WholeTest& whole, Confirmed* how = nullptr)
{
    return takeWhole([&] { return snapshot(path); }, whole, how);
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

// The file a write replaces: `path`, or the target its symbolic links lead
// to, so the link the peer opens stays a link.
std::string linkTarget(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        char buffer[PATH_MAX];
        const auto n = ::readlink(current.c_str(), buffer, sizeof buffer);
        if (n < 0)
            return current; // not a link (or gone): replace it as it is
        std::string target(buffer, static_cast<std::size_t>(n));
        if (target.empty() || target[0] != '/')
            target = folderOf(current) + "/" + target;
        current = std::move(target);
    }
    fail(path, ELOOP);
}

// Windows refuses to write a read-only file; a rename would replace it anyway.
void requireWritable(const std::string& path, const Snapshot& snap)
{
    if (!snap.exists)
        return;
    if ((snap.info.st_mode & 0222) == 0)
        fail(path, EACCES);
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        fail(path, errno);
}

constexpr int kMaxAttempts = 100;

enum class Outcome { Written, Moved, NotHere };

// Why a replacement cannot serve, for the report; empty while it can.
struct Replacement {
    Outcome outcome = Outcome::Written;
    std::string why;
};

// Gives the temporary file the replaced file's owner, group and mode. False
// when the owner or group cannot be kept: a rename would hand the file to us,
// and the peer's account may lose its write access.
bool takeOver(int fd, const Snapshot& before)
{
    const struct stat& info = before.info;
    if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
        struct stat mine {};
        if (::fstat(fd, &mine) != 0 || mine.st_uid != info.st_uid)
            return false;
        if (::fchown(fd, static_cast<uid_t>(-1), info.st_gid) != 0 && mine.st_gid != info.st_gid)
            return false;
    }
    // After fchown, which can clear set-id bits.
    return ::fchmod(fd, info.st_mode & 07777) == 0;
}

// `flushFirst`: the temporary reaches the disk before the rename. Against a
// peer that rewrites the file faster than a flush, the flush follows the
// rename instead, so the last look and the rename stay a moment apart.
Replacement replaceAtomically(const std::string& target, const Snapshot& before, const std::string& after,
                              bool flushFirst)
{
    std::string temporary;
    Descriptor fd(createTemporary(target, temporary));
    if (fd.get() < 0)
        return {Outcome::NotHere, "no file can be created beside it (" + describe(target, errno) + ")"};
    const auto discard = [&](std::string why) {
        ::unlink(temporary.c_str());
        return Replacement{Outcome::NotHere, std::move(why)};
    };
    if (before.exists && !takeOver(fd.get(), before))
        return discard("a replacement would change its owner or group");
    try {
        writeAll(fd.get(), temporary, after);
        if (flushFirst && ::fsync(fd.get()) != 0)
            fail(temporary, errno);
    } catch (const Failure& failure) {
        return discard("the temporary file could not be written (" + failure.description() + ")");
    }
    // A peer that writes without our lock (PYRALIS II) may have changed the
    // file since it was read: then start over on its content. This is the
    // last look before the rename, after the slow part (write, fsync), so
    // the window in which a peer's key can be lost is only the time between
    // this read and the rename.
    if (!unchangedSince(target, before)) {
        ::unlink(temporary.c_str());
        return {Outcome::Moved, {}};
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        if (error == EACCES || error == EPERM || error == EROFS || error == EBUSY)
            return {Outcome::NotHere, "it cannot be replaced (" + describe(target, error) + ")"};
        fail(target, error);
    }
    // Make the content and the rename durable; a failure here loses nothing already visible.
    if (!flushFirst)
        ::fsync(fd.get());
    Descriptor folder(openRetrying(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return {};
}

// The peer's way: the same file, its whole new content in one write, then
// its end. Room for a longer content is claimed first, so a full disk fails
// the write before a byte of the file has changed.
Outcome rewriteInPlace(const std::string& target, const Snapshot& before, const std::string& after)
{
    Descriptor fd(openRetrying(target.c_str(), before.exists ? O_WRONLY : O_WRONLY | O_CREAT | O_EXCL, 0666));
    if (fd.get() < 0)
        fail(target, errno);
    // The last look, before the room is claimed: that changes the file.
    if (!unchangedSince(target, before))
        return Outcome::Moved;
    const auto size = static_cast<off_t>(after.size());
    if (size > before.info.st_size) {
        const int rc = ::posix_fallocate(fd.get(), 0, size);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL)
            fail(target, rc);
    }
    std::string_view rest(after);
    off_t offset = 0;
    while (!rest.empty()) {
        const auto n = ::pwrite(fd.get(), rest.data(), rest.size(), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(target, errno);
        }
        rest.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    if (::ftruncate(fd.get(), size) != 0 || ::fsync(fd.get()) != 0)
        fail(target, errno);
    return Outcome::Written;
}

} // namespace

std::string readFile(const std::string& path, const WholeTest& whole, Confirmed* how)
{
    return wholeSnapshot(path, whole, how).content;
}

std::string updateFile(const std::string& path, const std::function<std::string(const std::string&)>& change,
                       const WholeTest& whole, WriteReport* report)
{
    sys::NamedLock lock(path, "write");
    const std::string target = linkTarget(path);
    bool inPlace = InPlaceFiles::instance().contains(target);
    if (!inPlace)
        removeStaleTemporaries(target);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        Confirmed how = Confirmed::Unchanged;
        const Snapshot before = wholeSnapshot(target, whole, &how);
        // Never a write built on a file the peer may have left cut short.
        if (how == Confirmed::Not)
            throw Failure::fileAccess(path + ": the peer kept rewriting it; nothing was written");
        if (report != nullptr)
            report->how = how;
        std::string after = change(before.content);
        if (before.exists && after == before.content)
            return after;
        requireWritable(target, before);

        if (!inPlace) {
            const Replacement replaced = replaceAtomically(target, before, after, attempt == 0);
            if (replaced.outcome == Outcome::Written)
                return after;
            if (replaced.outcome == Outcome::Moved)
                continue;
            inPlace = true;
            InPlaceFiles::instance().add(target);
            if (report != nullptr) {
                report->inPlace = true;
                report->reason = replaced.why;
            }
        }
        if (rewriteInPlace(target, before, after) == Outcome::Written) {
            if (report != nullptr)
                report->inPlace = true;
            return after;
        }
    }
    throw Failure::fileAccess(path + ": the file kept changing while it was being written");
}

} // namespace ob::ini
