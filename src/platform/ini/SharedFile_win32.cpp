// Windows side of SharedFile: the named write lock, then a temporary file,
// FlushFileBuffers and ReplaceFileW, which keeps the replaced file's security
// (an explicit grant IT put on it), owner, attributes and identity; where no
// file may be created or the replacement is refused, a rewrite in place. The
// peer's profile functions rewrite the file in place without a lock, and
// Windows enforces share modes: the file is only ever opened sharing read,
// write and delete, so the peer's call never fails because of us, and a
// replacement refused while the peer has the file open is retried for a
// bounded time before the file is rewritten in place.

#include "platform/Failure.h"
#include "platform/ini/InPlaceFiles.h"
#include "platform/ini/SharedFile.h"
#include "platform/ini/WholeSnapshot.h"
#include "platform/system/NamedLock.h"
#include "platform/win32/Wide.h"

#include <atomic>
#include <mutex>
#include <set>
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
constexpr ULONGLONG kReplaceRetryMilliseconds = 500;
// How long a missing file is looked for again before it is believed missing.
constexpr ULONGLONG kMissingMilliseconds = 20;
constexpr DWORD kRetryPauseMilliseconds = 10;

[[noreturn]] void fail(const std::string& path, DWORD error)
{
    throw Failure::fileAccess(path + ": " + win32::errorText(error));
}

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
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
    ULONGLONG missingSince = 0;
    for (;;) {
        file = win32::UniqueHandle(::CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        const DWORD error = ::GetLastError();
        // A replacement (ours, the peer's, Wine's ReplaceFileW, which renames
        // the old file away before it renames the new one in) leaves no file
        // for a moment: missing is believed only after a second look.
        if (isMissing(error)) {
            if (missingSince == 0)
                missingSince = ::GetTickCount64();
            else if (::GetTickCount64() - missingSince > kMissingMilliseconds)
                return snap;
            ::Sleep(1);
            continue;
        }
        // A peer that opened the file without sharing it lets go soon; a file
        // pending deletion after a replacement answers "access denied".
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || ::GetTickCount64() > deadline)
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

Snapshot wholeSnapshot(const std::string& path, const WholeTest& whole, Confirmed* how = nullptr)
{
    return takeWhole([&] { return snapshot(path); }, whole, how);
}

bool sameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// True when the file is still exactly what `before` saw.
bool unchangedSince(const std::string& path, const Snapshot& before)
{
    const Snapshot now = snapshot(path);
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

// Writes `content` to a new temporary file beside `path`, with the file's
// attributes, and flushes it. Empty, with `error` set, when none can be made.
std::string writeTemporary(const std::string& path, const std::string& content, DWORD attributes, DWORD& error)
{
    static std::atomic<unsigned> counter{0};
    for (;;) {
        const std::string name =
            path + "." + decimal(::GetCurrentProcessId()) + "-" + decimal(counter++) + ".tmp";
        win32::UniqueHandle file(::CreateFileW(win32::wide(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            return {};
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
        error = ok ? ERROR_SUCCESS : ::GetLastError();
        file.reset();
        // Hidden, system, archive and the like as IT left them; read-only was
        // refused before we got here. Wine's ReplaceFileW does not carry them.
        if (ok && attributes != 0)
            ::SetFileAttributesW(win32::wide(name).c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (!ok) {
            ::DeleteFileW(win32::wide(name).c_str());
            return {};
        }
        return name;
    }
}

enum class Outcome { Written, Moved, NotHere };

struct Replacement {
    Outcome outcome = Outcome::Written;
    std::string why;
    bool lasting = true; // the folder's rights, not a peer holding the file for a moment
};

std::wstring fullPath(const std::wstring& name)
{
    const DWORD n = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return name;
    std::wstring out(n, L'\0');
    const DWORD written = ::GetFullPathNameW(name.c_str(), n, out.data(), nullptr);
    out.resize(written);
    return written == 0 ? name : out;
}

Replacement replaceAtomically(const std::string& path, const Snapshot& before, const std::string& after)
{
    DWORD error = ERROR_SUCCESS;
    const std::string temporary =
        writeTemporary(path, after, before.exists ? before.info.dwFileAttributes : 0, error);
    if (temporary.empty())
        return {Outcome::NotHere, "no file can be created beside it (" + path + ": " + win32::errorText(error) + ")"};
    // ReplaceFileW wants full paths (under Wine a path like /tmp/x fails with
    // "directory name invalid").
    const std::wstring source = fullPath(win32::wide(temporary));
    const std::wstring target = fullPath(win32::wide(path));
    const ULONGLONG deadline = ::GetTickCount64() + kReplaceRetryMilliseconds;
    for (;;) {
        // The last look before the replacement, after the slow part (write,
        // flush): a peer's key can be lost only between this read and the move.
        if (!unchangedSince(path, before)) {
            ::DeleteFileW(source.c_str());
            return {Outcome::Moved, {}};
        }
        // A peer holding the file without sharing its deletion refuses any
        // replacement; asked first, so that a refused ReplaceFileW cannot
        // leave its own temporary file behind (Wine's does).
        if (before.exists) {
            win32::UniqueHandle probe(
                ::CreateFileW(target.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!probe && ::GetLastError() == ERROR_SHARING_VIOLATION) {
                error = ERROR_SHARING_VIOLATION;
                if (::GetTickCount64() > deadline)
                    break;
                ::Sleep(kRetryPauseMilliseconds);
                continue;
            }
        }
        const BOOL replaced = before.exists ? ::ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                            : ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        if (replaced)
            return {};
        error = ::GetLastError();
        // A file appeared where there was none: start over on it.
        if (!before.exists && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
            ::DeleteFileW(source.c_str());
            return {Outcome::Moved, {}};
        }
        // The replaced file is gone from its name but the new one did not take
        // its place: put it there at once.
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 &&
            ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        // Refused while the peer has the file open: try again after a pause
        // (it may be writing), for a bounded time.
        // Access denied is the folder's rights here, not a moment: in place at once.
        const bool moment = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                            error == ERROR_UNABLE_TO_REMOVE_REPLACED;
        if (!moment || ::GetTickCount64() > deadline)
            break;
        ::Sleep(kRetryPauseMilliseconds);
    }
    ::DeleteFileW(source.c_str());
    const bool lasting = error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
                         error != ERROR_UNABLE_TO_REMOVE_REPLACED;
    return {Outcome::NotHere, "it cannot be replaced (" + path + ": " + win32::errorText(error) + ")", lasting};
}

// The peer's way: the same file, its whole content in one write, then its end.
Outcome rewriteInPlace(const std::string& path, const Snapshot& before, const std::string& after)
{
    const std::wstring name = win32::wide(path);
    const ULONGLONG deadline = ::GetTickCount64() + kReplaceRetryMilliseconds;
    win32::UniqueHandle file;
    for (;;) {
        file = win32::UniqueHandle(::CreateFileW(name.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                                 before.exists ? OPEN_EXISTING : CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
        if (file)
            break;
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION || ::GetTickCount64() > deadline)
            fail(path, error);
        ::Sleep(kRetryPauseMilliseconds);
    }
    // The last look, before the room is claimed: that changes the file.
    if (!unchangedSince(path, before))
        return Outcome::Moved;
    // Room first, so that a full disk fails before a byte has changed.
    LARGE_INTEGER size{};
    size.QuadPart = static_cast<LONGLONG>(after.size());
    const LONGLONG oldSize = (LONGLONG{before.info.nFileSizeHigh} << 32) | before.info.nFileSizeLow;
    if (size.QuadPart > oldSize &&
        (!::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.get())))
        fail(path, ::GetLastError());
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN))
        fail(path, ::GetLastError());
    std::string_view rest(after);
    while (!rest.empty()) {
        DWORD n = 0;
        if (!::WriteFile(file.get(), rest.data(), static_cast<DWORD>(rest.size()), &n, nullptr))
            fail(path, ::GetLastError());
        rest.remove_prefix(n);
    }
    if (!::SetEndOfFile(file.get()) || !::FlushFileBuffers(file.get()))
        fail(path, ::GetLastError());
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
    bool inPlace = InPlaceFiles::instance().contains(path);
    if (!inPlace)
        removeStaleTemporaries(path);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        Confirmed how = Confirmed::Unchanged;
        const Snapshot before = wholeSnapshot(path, whole, &how);
        // Never a write built on a file the peer may have left cut short.
        if (how == Confirmed::Not)
            throw Failure::fileAccess(path + ": the peer kept rewriting it; nothing was written");
        if (report != nullptr)
            report->how = how;
        std::string after = change(before.content);
        if (before.exists && after == before.content)
            return after;
        if (before.readOnly)
            fail(path, ERROR_ACCESS_DENIED);
        if (!inPlace) {
            const Replacement replaced = replaceAtomically(path, before, after);
            if (replaced.outcome == Outcome::Written)
                return after;
            if (replaced.outcome == Outcome::Moved)
                continue;
            // A peer that held the file open a while costs this write its
            // atomicity, not the next ones'.
            if (replaced.lasting) {
                inPlace = true;
                InPlaceFiles::instance().add(path);
                if (report != nullptr)
                    report->reason = replaced.why;
            }
        }
        if (rewriteInPlace(path, before, after) == Outcome::Written) {
            if (report != nullptr)
                report->inPlace = inPlace;
            return after;
        }
    }
    throw Failure::fileAccess(path + ": the file kept changing while it was being written");
}

} // namespace ob::ini
