// Windows side of SystemFolders: the system's Windows folder and the folder of
// the running executable, through the wide API.

#include "platform/system/SystemFolders.h"

#include "platform/win32/Wide.h"

#include <vector>

namespace ob::sys {

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

std::string windowsFolder()
{
    // A folder named in OB32PYII_WINDIR takes the place of the Windows folder:
    // a second copy beside a peer that keeps its files elsewhere, and tests.
    wchar_t named[MAX_PATH + 1];
    const DWORD length = ::GetEnvironmentVariableW(L"OB32PYII_WINDIR", named, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH) {
        ::CreateDirectoryW(named, nullptr);
        return win32::narrow(std::wstring_view(named, length));
    }
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const UINT n = ::GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return win32::narrow(std::wstring_view(buffer.data(), n));
        buffer.resize(n + 1);
    }
}

std::string logHistoryFolder()
{
    std::wstring base(MAX_PATH + 1, L'\0');
    DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size()));
    if (length > base.size()) {
        base.resize(length);
        length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", base.data(), static_cast<DWORD>(base.size()));
    }
    if (length == 0 || length > base.size())
        return {};
    base.resize(length);
    return buildPath(buildPath(win32::narrow(base), "OB32PYII"), "logs");
}

std::string programFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size()) {
            std::string exe = win32::narrow(std::wstring_view(buffer.data(), n));
            const auto slash = exe.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : exe.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// With the separator the folder already uses ("/tmp/x" under Wine), else a
// backslash.
std::string buildPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (isSeparator(folder.back()))
        return folder + name;
    const bool forward = folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
    return folder + (forward ? '/' : '\\') + name;
}

} // namespace ob::sys
