// Windows side of the log file: opened through the wide API so that any path
// works, its text in the ANSI code page as Windows programs (Notepad,
// PYRALIS II's viewers) read a file without a byte-order mark.

#include "platform/system/LogFile.h"

#include "platform/text/CodePage.h"
#include "platform/win32/Wide.h"

namespace ob::sys {

std::FILE* createLogFile(const std::string& path)
{
    return ::_wfopen(win32::wide(path).c_str(), L"wb");
}

std::string logBytes(const std::string& text)
{
    return text::CodePage(::GetACP()).encode(text);
}

} // namespace ob::sys
