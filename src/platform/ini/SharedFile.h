#pragma once
// SharedFile: whole-file reads and locked read-modify-write of a file that
// another process (PYRALIS II, through the Windows profile functions) reads
// and rewrites in place at the same time, without a lock.

#include <functional>
#include <string>

namespace ob::ini {

// How a reader judges one snapshot of the file. The profile functions
// truncate the file and then write it a section at a time, so a look may
// catch it empty or cut short:
//  - CutShort: certainly incomplete (a section the file always holds is
//    missing); it is read again.
//  - Doubtful: possibly cut short (sections the last whole snapshot had are
//    missing, or the last line has no line break); whole only if a second
//    look after a quiet time finds it the same.
//  - Plausible: whole.
enum class Look { CutShort, Doubtful, Plausible };
// No test (empty function): every snapshot is taken as it is.
using WholeTest = std::function<Look(const std::string& content)>;

// The file's bytes; empty when the file (or its folder) does not exist.
// Under a test, only a snapshot the test and a second look accept is taken;
// the wait is bounded, and a file still failing then is taken as it is (a
// rewrite lasts a moment, so that is what the file holds).
// Failure 75 when it exists but cannot be read.
std::string readFile(const std::string& path, const WholeTest& whole = {});

// What a write did, for a log line: whether the file had to be rewritten in
// place, and why.
struct WriteReport {
    bool inPlace = false;
    std::string reason;
};

// Replaces the file's content with change(content) and returns what the file
// now holds. Holds the file's write lock (a kernel object named after the
// file, NamedLock.h) for the whole step and re-reads the file under it.
//
// Where the folder allows, the result goes to a temporary file beside it,
// is flushed, and replaces the file atomically, keeping its mode, owner and
// group (on Windows its security and attributes): readers see the old or the
// new file, never a part. Where it does not (no right to create a file in
// the folder, a sticky folder, a file whose owner a replacement would change,
// a full disk), the file is rewritten in place, the peer's own way: room for
// the new size is claimed first, then the whole content goes in one write
// and the end of the file is set. The process remembers that for the file.
//
// A peer that does not take the lock is caught by comparing the file just
// before the replacement (or the rewrite) with what change() saw; if it
// moved, change() runs again on the new content, so change() may run more
// than once. change() only ever sees snapshots `whole` accepts. Nothing is
// written when the content stays the same.
// Failure 75 when the file cannot be written, also when it is read-only for
// us (Windows refuses to write one).
std::string updateFile(const std::string& path, const std::function<std::string(const std::string&)>& change,
                       const WholeTest& whole = {}, WriteReport* report = nullptr);

} // namespace ob::ini
