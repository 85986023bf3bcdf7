// Windows side of NamedLock: named mutexes of the session. A mutex whose
// holder died is handed to the next waiter as abandoned, which is as good as
// free here: the holder's write either replaced the file or did not.

#include "platform/system/NamedLock.h"

#include "platform/system/LockName.h"

#include "platform/Failure.h"
#include "platform/Text.h"
#include "platform/win32/Wide.h"

#include <cstdint>

namespace ob::sys {

std::string lockName(const std::string& filePath, std::string_view purpose)
{
    const auto slash = filePath.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "." : filePath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
    // The folder's identity, not its path: every path to it gives one name.
    win32::UniqueHandle dir(::CreateFileW(win32::wide(folder).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!dir || !::GetFileInformationByHandle(dir.get(), &info))
        throw Failure::fileAccess(folder + ": " + win32::errorText(::GetLastError()));
    const std::uint64_t index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return lockNameText("Local\\OB32PYII", info.dwVolumeSerialNumber, index, name, purpose, '-');
}

NamedLock::NamedLock(const std::string& filePath, std::string_view purpose, std::chrono::milliseconds bound)
{
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, win32::wide(lockName(filePath, purpose)).c_str());
    if (mutex == nullptr)
        throw Failure::fileAccess(filePath + ": cannot take the write lock: " + win32::errorText(::GetLastError()));
    const DWORD waited = ::WaitForSingleObject(mutex, static_cast<DWORD>(bound.count()));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        ::CloseHandle(mutex);
        throw Failure::fileAccess(filePath + ": another process held the write lock too long");
    }
    m_handle = mutex;
}

NamedLock::~NamedLock()
{
    if (m_handle != nullptr) {
        ::ReleaseMutex(m_handle);
        ::CloseHandle(m_handle);
    }
}

} // namespace ob::sys
