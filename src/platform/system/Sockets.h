#pragma once
// The sockets the process holds, and a way to end a call blocked on one from
// another thread: a database driver waiting for a server that accepted the
// connection and then stopped answering returns once its socket is shut down.

#include <vector>

namespace ob::sys {

// The descriptors of every socket open in the process now.
std::vector<int> openSockets();
// Shuts the socket down in both directions; the descriptor stays open for its
// owner to close, so its number cannot pass to anyone else meanwhile.
void shutDownSocket(int socket) noexcept;

} // namespace ob::sys
