#pragma once
// SharedFile: whole-file reads and locked, atomic read-modify-write of a file
// that another process reads and writes at the same time.

#include <functional>
#include <string>

namespace ob::ini {

// Tells a whole snapshot of the file from one taken while a peer that rewrites
// the file in place (truncate, then write, no lock) was between the two. An
// empty test takes every snapshot as whole.
using WholeTest = std::function<bool(const std::string& content)>;

// The file's bytes; empty when the file (or its folder) does not exist.
// A snapshot that fails `whole` is taken again after a short pause, for a
// bounded time; a file that fails it all that time is taken as it is (a
// rewrite in place lasts a moment, so that is what the file holds).
// Failure 75 when it exists but cannot be read.
std::string readFile(const std::string& path, const WholeTest& whole = {});

// Replaces the file's content with change(content) and returns what the file
// now holds. Holds an exclusive lock on "<path>.lock" for the whole step,
// re-reads the file under it, writes the result to a temporary file in the same
// folder, flushes it to disk and renames it over the file, so readers see the
// old or the new file, never a part. A peer that does not take the lock is
// caught by comparing the file just before the rename with what change() saw;
// if it moved, change() runs again on the new content. change() may therefore
// run more than once. Nothing is written when the content stays the same.
// change() only ever sees snapshots that pass `whole` (as readFile), and the
// check just before the rename takes the same care.
// Temporary files of earlier writers that were killed before their rename
// ("<path>.<pid>-<n>.tmp") are removed under the lock.
// The replacement keeps the file's mode, and its owner and group where the
// system permits; a symbolic link is followed and its target replaced.
// "<path>.lock" is created as writable as the file and locked through a
// read-only handle when it cannot be opened for writing.
// Failure 75 when the file cannot be written or replaced, and when it is not
// writable for us (a read-only file, as Windows refuses to write one).
std::string updateFile(const std::string& path, const std::function<std::string(const std::string&)>& change,
                       const WholeTest& whole = {});

} // namespace ob::ini
