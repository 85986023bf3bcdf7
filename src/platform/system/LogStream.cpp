#include "platform/system/LogStream.h"

#include "platform/Failure.h"
#include "platform/system/LogFile.h"

namespace ob::sys {

LogStream::LogStream(const std::string& path) : m_path(path)
{
    m_file = createLogFile(path);
    if (!m_file)
        throw Failure::fileAccess(path);
}

LogStream::~LogStream()
{
    close();
}

void LogStream::writeLine(const std::string& text)
{
    if (!m_file)
        throw Failure::fileAccess(m_path);
    const std::string bytes = logBytes(text);
    // Flushed line by line so that the log is complete up to a crash.
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size() &&
                         std::fwrite("\r\n", 1, 2, m_file) == 2 && std::fflush(m_file) == 0;
    if (!written)
        throw Failure::fileAccess(m_path);
}

void LogStream::close() noexcept
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

} // namespace ob::sys
