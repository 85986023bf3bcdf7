// The log line writer: the output window's list and the log file.
#include "context/Log.h"

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
}

void Log::closeWindow()
{
    m_output.reset();
}

void Log::openFile(const std::string& path)
{
    m_file = std::make_unique<sys::LogStream>(path);
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
