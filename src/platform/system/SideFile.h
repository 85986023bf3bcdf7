#pragma once
// SideFile: a file that exists only to be locked, beside the file it guards.

#include <string>

namespace ob::sys {

// Opens `path`, creating it when missing with the mode (and, where permitted,
// the group) of `guarded`, so a lock never needs more rights than the file it
// guards. A side file that cannot be opened for writing (another account's) is
// opened read-only: flock needs no write access. Returns the descriptor and
// whether it is writable, or -1 with errno set.
int openSideFile(const std::string& path, const std::string& guarded, bool& writable);

} // namespace ob::sys
