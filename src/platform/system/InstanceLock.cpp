// POSIX side of InstanceLock: two abstract sockets, "run" bound for the
// program's whole life and "started" bound once its start values are written.

#include "platform/system/InstanceLock.h"

#include "platform/Failure.h"
#include "platform/system/AbstractSocket.h"
#include "platform/system/NamedLock.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace ob::sys {

namespace {

void closeSocket(long long& fd)
{
    if (fd >= 0)
        ::close(static_cast<int>(fd));
    fd = -1;
}

// Whether a live socket holds that name of the exchange file's locks.
bool bound(const std::string& exchangePath, const char* purpose)
{
    try {
        const int fd = connectAbstract(lockName(exchangePath, purpose));
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    } catch (const Failure&) {
        return false;
    }
}

} // namespace

InstanceLock::InstanceLock(const std::string& exchangePath) : m_path(exchangePath)
{
    try {
        m_run = bindAbstract(lockName(exchangePath, "run"));
        if (m_run < 0) {
            m_elsewhere = errno == EADDRINUSE;
            m_error = exchangePath + ": " + std::generic_category().message(errno);
            return;
        }
        m_held = true;
    } catch (const Failure& failure) {
        // The start fails with this as its own access error: not twice the prefix.
        m_error = failure.accessDetail();
    }
}

InstanceLock::~InstanceLock()
{
    closeSocket(m_started);
    closeSocket(m_run);
}

void InstanceLock::announceStarted()
{
    if (!m_held || m_started >= 0)
        return;
    // Only the holder of "run" binds "started", so nobody else holds it. A
    // failure costs a watcher its wait and nothing else.
    try {
        m_started = bindAbstract(lockName(m_path, "started"));
    } catch (const Failure&) {
    }
}

bool InstanceLock::isHeld(const std::string& exchangePath)
{
    return bound(exchangePath, "run");
}

InstanceLock::Watcher::Watcher(std::string exchangePath) : m_path(std::move(exchangePath)) {}

InstanceLock::Watcher::~Watcher()
{
    closeSocket(m_handle);
}

bool InstanceLock::Watcher::started()
{
    if (m_handle >= 0)
        return true;
    try {
        m_handle = connectAbstract(lockName(m_path, "started"));
    } catch (const Failure&) {
        m_handle = -1;
    }
    return m_handle >= 0;
}

bool InstanceLock::Watcher::alive()
{
    if (m_handle >= 0)
        return peerAlive(static_cast<int>(m_handle));
    return isHeld(m_path);
}

} // namespace ob::sys
