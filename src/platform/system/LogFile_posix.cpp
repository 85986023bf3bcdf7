// POSIX side of the log file: the path as it is, the text as UTF-8.

#include "platform/system/LogFile.h"

namespace ob::sys {

std::FILE* createLogFile(const std::string& path)
{
    return std::fopen(path.c_str(), "wb");
}

std::string logBytes(const std::string& text)
{
    return text;
}

} // namespace ob::sys
