#pragma once
// Abstract Unix datagram sockets as named, process-owned markers (Linux).
// No file is created; the name lives exactly as long as the socket.

#include <string>

namespace ob::sys {

// A socket bound to `name`, or -1 with errno set (EADDRINUSE: a live socket
// holds the name).
int bindAbstract(const std::string& name);

// A socket connected to the socket bound to `name`, or -1 with errno set
// (ECONNREFUSED: nobody holds the name).
int connectAbstract(const std::string& name);

// Whether the socket a connected socket was connected to still exists. A
// new holder of the same name is another socket: this stays false for it.
bool peerAlive(int connected);

} // namespace ob::sys
