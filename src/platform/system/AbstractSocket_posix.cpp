#include "platform/system/AbstractSocket.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ob::sys {

namespace {

socklen_t addressOf(const std::string& name, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    // A leading NUL puts the name in the abstract namespace.
    const std::size_t n = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), n);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
}

template <typename Call>
int withSocket(const std::string& name, Call call)
{
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address;
    const socklen_t length = addressOf(name, address);
    int rc;
    do {
        rc = call(fd, reinterpret_cast<const sockaddr*>(&address), length);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

int bindAbstract(const std::string& name)
{
    return withSocket(name, [](int fd, const sockaddr* a, socklen_t n) { return ::bind(fd, a, n); });
}

int connectAbstract(const std::string& name)
{
    return withSocket(name, [](int fd, const sockaddr* a, socklen_t n) { return ::connect(fd, a, n); });
}

bool peerAlive(int connected)
{
    // An empty datagram: refused once the peer socket is closed; queued (or,
    // with its queue full, EAGAIN) while it lives. The holder never reads.
    const auto n = ::send(connected, "", 0, MSG_DONTWAIT | MSG_NOSIGNAL);
    return n == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS;
}

} // namespace ob::sys
