#pragma once
// SharedFile: whole-file reads and locked, atomic read-modify-write of a file
// that another process reads and writes at the same time.

#include <functional>
#include <string>

namespace ob::ini {

// The file's bytes; empty when the file (or its folder) does not exist.
// Failure 75 when it exists but cannot be read.
std::string readFile(const std::string& path);

// Replaces the file's content with change(content) and returns what the file
// now holds. Holds an exclusive lock on "<path>.lock" for the whole step,
// re-reads the file under it, writes the result to a temporary file in the same
// folder, flushes it to disk and renames it over the file, so readers see the
// old or the new file, never a part. A peer that does not take the lock is
// caught by comparing the file just before the rename with what change() saw;
// if it moved, change() runs again on the new content. change() may therefore
// run more than once. Nothing is written when the content stays the same.
// Temporary files of earlier writers that were killed before their rename
// ("<path>.<pid>-<n>.tmp") are removed under the lock.
// Failure 75 when the file cannot be written or replaced.
std::string updateFile(const std::string& path, const std::function<std::string(const std::string&)>& change);

} // namespace ob::ini
