#include "platform/system/SystemFolders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ob::sys {

namespace {

constexpr char kSeparator = '/';

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeFolder()
{
    auto home = environment("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/tmp";
}

} // namespace

std::string windowsFolder()
{
    std::string folder = environment("WINDIR");
    if (folder.empty()) {
        // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
        const auto data = environment("XDG_DATA_HOME");
        const auto base = (!data.empty() && data.front() == '/') ? data : buildPath(homeFolder(), ".local/share");
        folder = buildPath(base, "ob32pyii");
    }
    std::error_code ignored; // a folder that cannot be made shows up as a failure of the first file in it
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

std::string logHistoryFolder()
{
    const auto state = environment("XDG_STATE_HOME");
    const auto base = (!state.empty() && state.front() == '/') ? state : buildPath(homeFolder(), ".local/state");
    return buildPath(buildPath(base, "ob32pyii"), "logs");
}

std::string programFolder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return exe.parent_path().string();
    return std::filesystem::current_path(error).string();
}

std::string buildPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == kSeparator)
        return folder + name;
    return folder + kSeparator + name;
}

} // namespace ob::sys
