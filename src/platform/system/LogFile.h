#pragma once
// The two things about the log file that differ by platform: how a path is
// opened, and in which encoding the text is written.

#include <cstdio>
#include <string>

namespace ob::sys {

// The file created (overwritten) for binary writing; nullptr when it cannot be.
std::FILE* createLogFile(const std::string& path);
// The bytes of one line of the log as the platform's own tools read it.
std::string logBytes(const std::string& text);

} // namespace ob::sys
