// Windows side of LogStream: the same file, opened through the wide API so
// that any path works, its text in the ANSI code page as Windows programs
// (Notepad, PYRALIS II's viewers) read a file without a byte-order mark.

#include "platform/system/LogStream.h"

#include "platform/Failure.h"
#include "platform/text/CodePage.h"
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

void LogStream::writeLine(const std::string& line)
{
    if (!m_file)
        throw Failure::fileAccess(m_path);
    const std::string bytes = text::CodePage(::GetACP()).encode(line);
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
