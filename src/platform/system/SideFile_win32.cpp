// Windows side of SideFile. A new file takes the access rules its folder
// passes on, the same the exchange file beside it got, so the side file is as
// writable as the file it guards without copying anything from it.

#include "platform/system/SideFile.h"

#include "platform/win32/Wide.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace ob::sys {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    default:
        return EIO;
    }
}

} // namespace

int openSideFile(const std::string& path, const std::string&, bool& writable)
{
    const std::wstring name = win32::wide(path);
    HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    writable = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        // Another account's side file: LockFileEx needs only a read handle.
        file = ::CreateFileW(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        errno = errnoOf(::GetLastError());
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), writable ? _O_RDWR : _O_RDONLY);
    if (fd < 0) {
        ::CloseHandle(file);
        errno = EMFILE;
    }
    return fd;
}

} // namespace ob::sys
