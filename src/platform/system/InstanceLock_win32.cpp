// Windows side of InstanceLock: LockFileEx on a byte far past the process id
// the holder writes, so that watchers can read the id while the lock is held.
// The lock belongs to the open handle and dies with the process.

#include "platform/system/InstanceLock.h"

#include "platform/win32/Wide.h"

#include <charconv>
#include <fcntl.h>
#include <io.h>

namespace ob::sys {

namespace {

constexpr DWORD kLockOffset = 0x40000000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

OVERLAPPED lockRegion()
{
    OVERLAPPED region{};
    region.Offset = kLockOffset;
    return region;
}

} // namespace

InstanceLock::InstanceLock(const std::string& path)
{
    win32::UniqueHandle file(::CreateFileW(win32::wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    OVERLAPPED region = lockRegion();
    if (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &region))
        return;
    char text[24];
    char* end = std::to_chars(text, text + sizeof text - 2, static_cast<unsigned long>(::GetCurrentProcessId())).ptr;
    *end++ = '\r';
    *end++ = '\n';
    // Only a help for watchers; the lock works without it.
    DWORD written = 0;
    ::SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file.get());
    ::WriteFile(file.get(), text, static_cast<DWORD>(end - text), &written, nullptr);
    HANDLE handle = file.release();
    m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR);
    if (m_fd < 0)
        ::CloseHandle(handle);
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0) {
        HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd));
        ::SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
        ::SetEndOfFile(handle);
        ::_close(m_fd); // closes the handle, which releases the lock
    }
}

long InstanceLock::holderProcess(const std::string& path)
{
    win32::UniqueHandle file(::CreateFileW(win32::wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    char text[32];
    DWORD n = 0;
    if (!::ReadFile(file.get(), text, sizeof text, &n, nullptr) || n == 0)
        return 0;
    unsigned long pid = 0;
    const auto parsed = std::from_chars(text, text + n, pid);
    if (parsed.ec != std::errc() || pid == 0)
        return 0;
    win32::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? static_cast<long>(pid) : 0;
    return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT ? static_cast<long>(pid) : 0;
}

} // namespace ob::sys
