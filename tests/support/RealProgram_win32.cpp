// The real Windows executables for end-to-end tests, started with
// CreateProcessW. The program's Windows folder is named in OB32PYII_WINDIR.

#include "support/RealProgram.h"

#include "platform/win32/Wide.h"

#include <filesystem>
#include <stdexcept>

namespace ob::test {
namespace {

using win32::wide;

// Quotes an argument; the tests pass none that the C runtime's parsing would then change.
std::wstring quoted(const std::wstring& argument)
{
    if (argument.find(L'"') != std::wstring::npos || argument.ends_with(L'\\'))
        throw std::invalid_argument("an argument with a double quote or a final backslash");
    return L"\"" + argument + L"\"";
}

// Starts `argv` with this process's environment, each NAME=value of `changes`
// set (an empty value removes NAME), its output to `output` (or none).
HANDLE start(const std::vector<std::string>& argv, const std::vector<std::string>& changes, HANDLE output)
{
    std::wstring command;
    for (const auto& a : argv)
        command += (command.empty() ? L"" : L" ") + quoted(wide(a));
    const auto changed = changedEnvironment(changes);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    // Wine now and then answers a start with "Internal error" while it is busy
    // starting another process; a few more tries get through. A missing program
    // is no reason to try again.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::CreateProcessW(wide(argv[0]).c_str(), command.data(), nullptr, nullptr, output != nullptr,
                             CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup, &info)) {
            ::CloseHandle(info.hThread);
            return info.hProcess;
        }
        error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            break;
        ::Sleep(200);
    }
    throw std::runtime_error("cannot start " + argv[0] + ": " + win32::errorText(error));
}

int exitCodeOf(HANDLE process)
{
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

} // namespace

RealProgram::RealProgram(const std::string& windowsFolder, const std::vector<std::string>& environment,
                         const std::vector<std::string>&)
    : m_folder(windowsFolder)
{
    // Earlier logs go to the test's folder, never the user's own.
    std::vector<std::string> changes{"OB32PYII_WINDIR=" + windowsFolder,
                                     "LOCALAPPDATA=" + windowsFolder +
                                         (windowsFolder.find('\\') == std::string::npos ? "/state" : "\\state")};
    changes.insert(changes.end(), environment.begin(), environment.end());
    m_process = start({builtProgram("src/gui/win32/ob32pyii.exe")}, changes, nullptr);
    m_pid = static_cast<long>(::GetProcessId(m_process));
}

RealProgram::~RealProgram()
{
    if (!m_reaped && m_process != nullptr && ::TerminateProcess(m_process, 137))
        ::WaitForSingleObject(m_process, INFINITE);
    if (m_process != nullptr)
        ::CloseHandle(m_process);
}

bool RealProgram::running()
{
    if (!m_reaped && ::WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0) {
        m_reaped = true;
        m_status = exitCodeOf(m_process);
    }
    return !m_reaped;
}

SendResult send(const std::string& windowsFolder, const std::vector<std::string>& arguments)
{
    wchar_t folder[MAX_PATH];
    wchar_t name[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"obs", 0, name);
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    win32::UniqueHandle output(::CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output)
        throw std::runtime_error("cannot make a temporary file");
    std::vector<std::string> argv{builtProgram("tools/ob32pyii-send.exe"), "--dir", windowsFolder, "--timeout", "30"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const win32::UniqueHandle process(start(argv, {}, output.get()));
    ::WaitForSingleObject(process.get(), INFINITE);
    output.reset();
    SendResult result{exitCodeOf(process.get()), {}};
    {
        std::ifstream in(std::filesystem::path(name), std::ios::binary);
        result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ::DeleteFileW(name);
    // The tool's standard output is in text mode: each line ends in CR LF.
    for (auto at = result.output.find("\r\n"); at != std::string::npos; at = result.output.find("\r\n", at))
        result.output.erase(at, 1);
    return result;
}

} // namespace ob::test
