#pragma once
// FolderWatch: tells, without polling, that one file may have changed: the
// peer's rewrite in place, a replacement by rename, a new file. inotify on
// Linux, ReadDirectoryChangesW on Windows. The window system waits on
// handle() in its event loop and calls consume() when it is ready.

#include <cstdint>
#include <memory>
#include <string>

namespace ob::sys {

class FolderWatch {
public:
    // Watches the folder of `filePath` for changes to that file. A watch the
    // system refuses (no watches left, a folder it cannot watch) leaves
    // started() false; callers then rely on their timer alone.
    explicit FolderWatch(const std::string& filePath);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    bool started() const;
    // Why it did not start, for the log.
    const std::string& error() const { return m_error; }
    // A descriptor (POSIX) or event handle (Windows) that is ready while
    // changes are pending.
    std::intptr_t handle() const;
    // Takes the pending changes; true when the watched file is among them.
    // Never blocks.
    bool consume();

    struct State;

private:
    std::unique_ptr<State> m_state;
    std::string m_error;
};

} // namespace ob::sys
