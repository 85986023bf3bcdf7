// Windows side of InstanceLock: LockFileEx on a byte far past the text the
// holder writes, so that watchers can read it while the lock is held. The lock
// belongs to the open handle and dies with the process.

#include "platform/system/InstanceLock.h"

#include "platform/system/SideFile.h"
#include "platform/win32/Wide.h"

#include <cerrno>
#include <charconv>
#include <io.h>
#include <string_view>
#include <system_error>

namespace ob::sys {

namespace {

constexpr DWORD kLockOffset = 0x40000000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr std::string_view kStarted = "started\r\n";

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

bool writeAt(HANDLE file, LONG offset, std::string_view text)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    DWORD written = 0;
    return ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, &at) != 0;
}

// The lock file's text: "<pid>\r\n", then "started\r\n" once start-up finished.
std::string contentOf(const std::string& path)
{
    win32::UniqueHandle file(::CreateFileW(win32::wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return {};
    char text[64];
    DWORD n = 0;
    if (!::ReadFile(file.get(), text, sizeof text, &n, nullptr))
        return {};
    return std::string(text, n);
}

} // namespace

InstanceLock::InstanceLock(const std::string& path, const std::string& guarded)
{
    const int fd = openSideFile(path, guarded, m_writable);
    if (fd < 0) {
        m_error = path + ": " + std::generic_category().message(errno);
        return;
    }
    OVERLAPPED region{};
    region.Offset = kLockOffset;
    if (!::LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &region)) {
        const DWORD error = ::GetLastError();
        m_elsewhere = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
        m_error = path + ": " + win32::errorText(error);
        ::_close(fd);
        return;
    }
    m_fd = fd;
    if (!m_writable)
        return; // another account's lock file: locked, but nothing to tell watchers
    char text[24];
    char* end = std::to_chars(text, text + sizeof text - 2, static_cast<unsigned long>(::GetCurrentProcessId())).ptr;
    *end++ = '\r';
    *end++ = '\n';
    // Only a help for watchers; the lock works without it.
    const HANDLE file = handleOf(m_fd);
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    if (::SetEndOfFile(file))
        writeAt(file, 0, std::string_view(text, static_cast<std::size_t>(end - text)));
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0) {
        if (m_writable) {
            const HANDLE file = handleOf(m_fd);
            ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
            ::SetEndOfFile(file);
        }
        ::_close(m_fd); // closes the handle, which releases the lock
    }
}

void InstanceLock::announceStarted()
{
    if (m_fd < 0 || !m_writable)
        return;
    const HANDLE file = handleOf(m_fd);
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0)
        writeAt(file, static_cast<LONG>(size.QuadPart), kStarted);
}

long InstanceLock::holderProcess(const std::string& path)
{
    const std::string text = contentOf(path);
    unsigned long pid = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (parsed.ec != std::errc() || pid == 0)
        return 0;
    win32::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? static_cast<long>(pid) : 0;
    return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT ? static_cast<long>(pid) : 0;
}

bool InstanceLock::holderStarted(const std::string& path)
{
    const std::string text = contentOf(path);
    const auto eol = text.find('\n');
    return eol != std::string::npos && std::string_view(text).substr(eol + 1) == kStarted &&
           holderProcess(path) != 0;
}

} // namespace ob::sys
