// Windows side of InstanceLock: a named mutex owned for the program's whole
// life ("run"), and once its start values are written a named file mapping
// that holds its process id ("started"), through which a watcher follows that
// one process.

#include "platform/system/InstanceLock.h"

#include "platform/Failure.h"
#include "platform/system/NamedLock.h"
#include "platform/win32/Wide.h"

#include <cstdint>
#include <mutex>
#include <set>

namespace ob::sys {

namespace {

HANDLE handleOf(long long value)
{
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(value));
}

long long valueOf(HANDLE handle)
{
    return handle == nullptr ? -1 : static_cast<long long>(reinterpret_cast<std::intptr_t>(handle));
}

void closeHandle(long long& value)
{
    if (value >= 0)
        ::CloseHandle(handleOf(value));
    value = -1;
}

// A mutex's owner may wait for it again and get it: the names this process
// holds are refused here, so a second lock in the same process is a second
// instance, as in another one.
class HeldNames {
public:
    bool add(const std::string& name)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_names.insert(name).second;
    }
    void remove(const std::string& name)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_names.erase(name);
    }

private:
    std::mutex m_mutex;
    std::set<std::string> m_names;
};

HeldNames& heldNames()
{
    static HeldNames names;
    return names;
}

// The followed program runs, but its process cannot be opened from here
// (another account's): then only the lock itself can be asked.
constexpr long long kUnopenable = -2;

} // namespace

InstanceLock::InstanceLock(const std::string& exchangePath) : m_path(exchangePath)
{
    try {
        const std::string name = lockName(exchangePath, "run");
        if (!heldNames().add(name)) {
            m_elsewhere = true;
            m_error = exchangePath + ": held by this process";
            return;
        }
        HANDLE mutex = ::CreateMutexW(nullptr, FALSE, win32::wide(name).c_str());
        if (mutex == nullptr) {
            m_error = exchangePath + ": " + win32::errorText(::GetLastError());
            heldNames().remove(name);
            return;
        }
        // Ownership is the lock; a mutex a dead holder left is taken over.
        const DWORD waited = ::WaitForSingleObject(mutex, 0);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            m_elsewhere = waited == WAIT_TIMEOUT;
            m_error = exchangePath + ": " + (m_elsewhere ? std::string("held by another process")
                                                         : win32::errorText(::GetLastError()));
            ::CloseHandle(mutex);
            heldNames().remove(name);
            return;
        }
        m_run = valueOf(mutex);
        m_runName = name;
        m_held = true;
    } catch (const Failure& failure) {
        // The start fails with this as its own access error: not twice the prefix.
        m_error = failure.accessDetail();
    }
}

InstanceLock::~InstanceLock()
{
    closeHandle(m_started);
    if (m_run >= 0) {
        ::ReleaseMutex(handleOf(m_run));
        heldNames().remove(m_runName);
    }
    closeHandle(m_run);
}

void InstanceLock::announceStarted()
{
    if (!m_held || m_started >= 0)
        return;
    try {
        HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                              win32::wide(lockName(m_path, "started")).c_str());
        if (mapping == nullptr)
            return; // a watcher then waits for its time-out; nothing else depends on it
        if (void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            *static_cast<DWORD*>(view) = ::GetCurrentProcessId();
            ::UnmapViewOfFile(view);
        }
        m_started = valueOf(mapping);
    } catch (const Failure&) {
    }
}

bool InstanceLock::isHeld(const std::string& exchangePath)
{
    try {
        HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, win32::wide(lockName(exchangePath, "run")).c_str());
        if (mutex == nullptr)
            return false;
        ::CloseHandle(mutex);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

InstanceLock::Watcher::Watcher(std::string exchangePath) : m_path(std::move(exchangePath)) {}

InstanceLock::Watcher::~Watcher()
{
    closeHandle(m_handle);
}

bool InstanceLock::Watcher::started()
{
    if (m_handle >= 0 || m_handle == kUnopenable)
        return true;
    DWORD pid = 0;
    try {
        win32::UniqueHandle mapping(
            ::OpenFileMappingW(FILE_MAP_READ, FALSE, win32::wide(lockName(m_path, "started")).c_str()));
        if (!mapping)
            return false;
        if (const void* view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
            pid = *static_cast<const DWORD*>(view);
            ::UnmapViewOfFile(view);
        }
    } catch (const Failure&) {
        return false;
    }
    if (pid == 0)
        return false;
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    m_handle = process != nullptr ? valueOf(process) : kUnopenable;
    return true;
}

bool InstanceLock::Watcher::alive()
{
    if (m_handle >= 0)
        return ::WaitForSingleObject(handleOf(m_handle), 0) == WAIT_TIMEOUT;
    return isHeld(m_path);
}

} // namespace ob::sys
