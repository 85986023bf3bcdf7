// Windows side of SharedFile: LockFileEx on the side file, temporary file,
// FlushFileBuffers and MoveFileExW. The peer's profile functions rewrite the
// file in place without a lock, and Windows enforces share modes: the file is
// only ever opened sharing read, write and delete, so the peer's call never
// fails because of us, and a replacement refused while the peer has the file
// open is retried for a bounded time, then reported as a write failure.

#include "platform/Failure.h"
#include "platform/ini/SharedFile.h"
#include "platform/ini/WholeSnapshot.h"
#include "platform/system/SideFile.h"
#include "platform/win32/Wide.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <io.h>
#include <system_error>
#include <thread>
#include <string_view>
#include <vector>

namespace ob::ini {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kMaxAttempts = 100;
// How long a replacement refused because the peer has the file open is retried.
constexpr ULONGLONG kReplaceRetryMilliseconds = 5000;
constexpr DWORD kRetryPauseMilliseconds = 10;

[[noreturn]] void fail(const std::string& path, DWORD error)
{
    throw Failure::fileAccess(path + ": " + win32::errorText(error));
}

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Errors that mean another process has the file open or locked for a moment.
bool isTransient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

struct Snapshot {
    bool exists = false;
    bool readOnly = false;
    BY_HANDLE_FILE_INFORMATION info{};
    std::string content;
};

Snapshot snapshot(const std::string& path)
{
    Snapshot snap;
    const std::wstring name = win32::wide(path);
    const ULONGLONG deadline = ::GetTickCount64() + kReplaceRetryMilliseconds;
    win32::UniqueHandle file;
    for (;;) {
        file = win32::UniqueHandle(::CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        const DWORD error = ::GetLastError();
        if (isMissing(error))
            return snap;
        // A peer that opened the file without sharing it lets go soon.
        if (error != ERROR_SHARING_VIOLATION || ::GetTickCount64() > deadline)
            fail(path, error);
        ::Sleep(kRetryPauseMilliseconds);
    }
    if (!::GetFileInformationByHandle(file.get(), &snap.info))
        fail(path, ::GetLastError());
    snap.exists = true;
    snap.readOnly = (snap.info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr))
            fail(path, ::GetLastError());
        if (n == 0)
            break;
        snap.content.append(buffer, n);
    }
    return snap;
}

Snapshot wholeSnapshot(const std::string& path, const WholeTest& whole)
{
    return takeWhole([&] { return snapshot(path); }, whole);
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// True when the file is still exactly what `before` saw.
bool unchangedSince(const std::string& path, const Snapshot& before, const WholeTest& whole)
{
    const Snapshot now = wholeSnapshot(path, whole);
    if (now.exists != before.exists)
        return false;
    if (!now.exists)
        return true;
    const auto& a = now.info;
    const auto& b = before.info;
    return a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
           a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           sameTime(a.ftLastWriteTime, b.ftLastWriteTime) && now.content == before.content;
}

std::string decimal(unsigned long number)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
    return std::string(buffer, end);
}

std::string::size_type lastSeparator(const std::string& path)
{
    return path.find_last_of("\\/");
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Removes "<path>.<pid>-<n>.tmp" left by writers killed before their rename.
// Called under the lock, so no live writer owns one.
void removeStaleTemporaries(const std::string& path)
{
    const auto slash = lastSeparator(path);
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".";
    WIN32_FIND_DATAW found{};
    HANDLE h = ::FindFirstFileW(win32::wide(path + ".*.tmp").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> stale;
    do {
        const std::string name = win32::narrow(found.cFileName);
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string_view middle(name.data() + prefix.size(), name.size() - prefix.size() - 4);
        const auto dash = middle.find('-');
        if (dash != std::string_view::npos && allDigits(middle.substr(0, dash)) && allDigits(middle.substr(dash + 1)))
            stale.push_back(folder + name);
    } while (::FindNextFileW(h, &found));
    ::FindClose(h);
    for (const auto& file : stale)
        ::DeleteFileW(win32::wide(file).c_str());
}

// Exclusive lock on "<path>.lock", held until destruction. The lock file is
// never removed: removing it would let two writers lock different files.
class WriteLock {
public:
    explicit WriteLock(const std::string& path)
    {
        const std::string name = path + ".lock";
        bool writable = false; // a read-only handle locks just as well
        m_fd = sys::openSideFile(name, path, writable);
        if (m_fd < 0)
            throw Failure::fileAccess(name + ": " + std::generic_category().message(errno));
        OVERLAPPED region{};
        if (!::LockFileEx(reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd)), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0,
                          &region)) {
            const DWORD error = ::GetLastError();
            ::_close(m_fd);
            fail(name, error);
        }
    }
    ~WriteLock() { ::_close(m_fd); } // closing it releases the lock
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    int m_fd = -1;
};

// Writes `content` to a new temporary file beside `path` and flushes it.
std::string writeTemporary(const std::string& path, const std::string& content)
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        const std::string name =
            path + "." + decimal(::GetCurrentProcessId()) + "-" + decimal(counter++) + ".tmp";
        win32::UniqueHandle file(::CreateFileW(win32::wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            fail(path, error);
        }
        std::string_view rest(content);
        bool ok = true;
        while (ok && !rest.empty()) {
            DWORD n = 0;
            ok = ::WriteFile(file.get(), rest.data(), static_cast<DWORD>(rest.size()), &n, nullptr) != 0;
            rest.remove_prefix(n);
        }
        if (ok)
            ok = ::FlushFileBuffers(file.get()) != 0;
        const DWORD error = ::GetLastError();
        file.reset();
        if (!ok) {
            ::DeleteFileW(win32::wide(name).c_str());
            fail(name, error);
        }
        return name;
    }
}

} // namespace

std::string readFile(const std::string& path, const WholeTest& whole)
{
    return wholeSnapshot(path, whole).content;
}

std::string updateFile(const std::string& path, const std::function<std::string(const std::string&)>& change,
                       const WholeTest& whole)
{
    WriteLock lock(path);
    removeStaleTemporaries(path);
    const std::wstring target = win32::wide(path);
    const ULONGLONG deadline = ::GetTickCount64() + kReplaceRetryMilliseconds;
    int attempts = 0;
    while (attempts < kMaxAttempts) {
        const Snapshot before = wholeSnapshot(path, whole);
        std::string after = change(before.content);
        if (before.exists && after == before.content)
            return after;
        if (before.readOnly)
            fail(path, ERROR_ACCESS_DENIED);

        const std::string temporary = writeTemporary(path, after);
        const std::wstring source = win32::wide(temporary);
        // A peer that writes without our lock (PYRALIS II) may have changed
        // the file since it was read: then start over on its content. This
        // is the last look before the replacement, after the slow part
        // (write, flush), so the window in which a peer's key can be lost is
        // only the time between this read and the move.
        if (!unchangedSince(path, before, whole)) {
            ::DeleteFileW(source.c_str());
            ++attempts;
            continue;
        }
        if (::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return after;
        const DWORD error = ::GetLastError();
        ::DeleteFileW(source.c_str());
        // Refused while the peer has the file open: read it again after a
        // pause (it may be writing), for a bounded time.
        if (!isTransient(error) || ::GetTickCount64() > deadline)
            fail(path, error);
        ::Sleep(kRetryPauseMilliseconds);
    }
    throw Failure::fileAccess(path + ": the file kept changing while it was being written");
}

} // namespace ob::ini
