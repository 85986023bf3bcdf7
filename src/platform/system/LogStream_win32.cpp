// Windows side of LogStream: the same file, opened through the wide API so
// that any path works.

#include "platform/system/LogStream.h"

#include "platform/Failure.h"
#include "platform/win32/Wide.h"

#include <cstdio>

namespace ob::sys {

LogStream::LogStream(const std::string& path) : m_path(path)
{
    m_file = ::_wfopen(win32::wide(path).c_str(), L"wb");
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
    // Flushed line by line so that the log is complete up to a crash.
    const bool written = std::fwrite(text.data(), 1, text.size(), m_file) == text.size() &&
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
