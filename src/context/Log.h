#pragma once
// Log: every step the program narrates goes to the output window's list and
// to the log file OB32PYII.LOG, each line stamped with the date and time.

#include <memory>
#include <string>

#include "context/WindowSystem.h"
#include "platform/regional/RegionalSettings.h"
#include "platform/system/Clock.h"

namespace ob {

namespace sys {
class LogStream;
}

class Log {
public:
    Log(WindowSystem& windows, const Clock& clock, const regional::RegionalSettings& regional);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // A line reaches the window and the file that are open; then pending
    // events are delivered. Logging never fails and never stops an action.
    void WriteLog(const std::string& text) noexcept;

    void openWindow(); // the output window, hidden
    OutputWindow* window() const { return m_output.get(); }
    void closeWindow();
    // The file is created (overwritten) now: Failure 75 when it cannot be.
    void openFile(const std::string& path);
    // Before openFile rewrites it: the previous run's log at `path` is copied
    // into `historyFolder` (empty: none kept), keeping as many as [General]
    // KeepLogs of the exchange file at `exchangePath` says. A failure never
    // stops the start; writeStartNotes tells why.
    void keepPreviousLog(const std::string& path, const std::string& exchangePath,
                         const std::string& historyFolder) noexcept;
    // Right after the log's first line: the version line, then why the
    // previous log could not be kept, if it could not.
    void writeStartNotes() noexcept;
    void closeFile() noexcept;

private:
    WindowSystem& m_windows;
    const Clock& m_clock;
    const regional::RegionalSettings& m_regional;
    std::unique_ptr<OutputWindow> m_output;
    std::unique_ptr<sys::LogStream> m_file;
    std::string m_historyProblem;
};

} // namespace ob
