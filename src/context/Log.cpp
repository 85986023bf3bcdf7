// The log line writer: the output window's list and the log file.
#include "context/Log.h"

#include "context/BuildInfo.h"
#include "context/LogHistory.h"
#include "platform/regional/Conversions.h"
#include "platform/system/LogStream.h"

namespace ob {

Log::Log(WindowSystem& windows, const Clock& clock, const regional::RegionalSettings& regional)
    : m_windows(windows), m_clock(clock), m_regional(regional)
{
}

Log::~Log() = default;

void Log::openWindow()
{
    m_output = m_windows.CreateOutputWindow();
    if (m_output) {
        m_output->OwnLine = [this](const std::string& text) { WriteLog(text); };
    }
}

void Log::closeWindow()
{
    m_output.reset();
}

void Log::openFile(const std::string& path)
{
    m_file = std::make_unique<sys::LogStream>(path);
}

void Log::keepPreviousLog(const std::string& path, const std::string& exchangePath,
                          const std::string& historyFolder) noexcept
{
    m_historyProblem.clear();
    if (historyFolder.empty()) {
        return;
    }
    try {
        const std::string problem = loghistory::keepPrevious(path, historyFolder, loghistory::keepSetting(exchangePath),
                                                             m_regional, m_clock.now());
        if (!problem.empty()) {
            m_historyProblem = "Earlier log not kept: " + problem;
        }
    } catch (...) {
        m_historyProblem = "Earlier log not kept in " + historyFolder;
    }
}

void Log::writeStartNotes() noexcept
{
    try {
        WriteLog(versionLine());
        if (!m_historyProblem.empty()) {
            WriteLog(m_historyProblem);
        }
    } catch (...) {
    }
}

void Log::closeFile() noexcept
{
    if (m_file) {
        m_file->close();
    }
}

void Log::WriteLog(const std::string& text) noexcept
{
    // Every step on its own: logging never stops an action.
    if (m_output) {
        try {
            // The runtime reads the count as a 16-bit integer; 32001 fits.
            if (m_output->ListCount() > kMaxOutputLines) {
                m_output->RemoveItem(0);
            }
        } catch (...) {
        }
        try {
            m_output->AddItem(text);
        } catch (...) {
        }
        try {
            m_output->SetListIndex(m_output->ListCount() - 1);
        } catch (...) {
        }
    }
    if (m_file) {
        try {
            m_file->writeLine(regional::formatGeneralDate(regional::makeDateTime(m_clock.now()), m_regional) + "\t" +
                              text);
        } catch (...) {
        }
    }
    try {
        m_windows.DoEvents();
    } catch (...) {
    }
}

} // namespace ob
