#pragma once
// Locks named after a file, held in kernel objects rather than in files of
// their own, so that guarding the exchange file needs no right to create a
// file in its folder (an operator may write OB32PYII.INI but create nothing
// beside it) and a lock never outlives the process that holds it.
//
// The name is made of the identity of the file's folder (device and inode, or
// volume and file index) and the file's name folded to upper case, so every
// path that leads to the file gives the same name, whichever account asks.
// On Linux the objects are abstract Unix sockets (bind is exclusive, any
// account can ask, the name dies with the socket); on Windows they are named
// mutexes, events and file mappings of the session.

#include <chrono>
#include <string>
#include <string_view>

namespace ob::sys {

// The kernel name of one purpose ("write", "run", "started") of the locks of
// `filePath`. Failure 75 when the folder cannot be examined.
std::string lockName(const std::string& filePath, std::string_view purpose);

// An exclusive lock for one short step (a write of the file), taken by every
// process that writes the file through IniFile. Waits for a holder to let go,
// at most `bound`; then Failure 75.
class NamedLock {
public:
    NamedLock(const std::string& filePath, std::string_view purpose,
              std::chrono::milliseconds bound = std::chrono::seconds(30));
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

private:
    void* m_handle = nullptr; // Windows: the mutex
    int m_fd = -1;            // POSIX: the bound socket
};

} // namespace ob::sys
