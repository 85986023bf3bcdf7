#pragma once
// LogStream: the log text file. Created (overwritten) on open; every line ends
// with CR LF and is flushed at once, so the log survives a crash.

#include <cstdio>
#include <string>

namespace ob::sys {

class LogStream {
public:
    // Failure 75 when the file cannot be created.
    explicit LogStream(const std::string& path);
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // Failure 75 when the line cannot be written.
    void writeLine(const std::string& text);
    void close() noexcept;
    bool isOpen() const noexcept { return m_file != nullptr; }

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
};

} // namespace ob::sys
