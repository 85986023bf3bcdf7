#include "support/RealProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ob::test {
namespace {

using SteadyClock = std::chrono::steady_clock;

std::vector<std::string> currentEnvironment()
{
    std::vector<std::string> out;
    for (char** e = environ; *e != nullptr; ++e) {
        out.emplace_back(*e);
    }
    return out;
}

// `base` with every NAME=value of `changes` replacing the same NAME.
std::vector<std::string> merged(std::vector<std::string> base, const std::vector<std::string>& changes)
{
    for (const auto& change : changes) {
        const std::string name = change.substr(0, change.find('=') + 1);
        std::erase_if(base, [&](const std::string& entry) { return entry.compare(0, name.size(), name) == 0; });
        base.push_back(change);
    }
    return base;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    for (auto& t : texts) {
        out.push_back(t.data());
    }
    out.push_back(nullptr);
    return out;
}

pid_t spawn(std::vector<std::string> argv, std::vector<std::string> env, int outputFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    auto args = pointers(argv);
    auto vars = pointers(env);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), vars.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
    return pid;
}

int exitCodeOf(int status)
{
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + WTERMSIG(status);
}

} // namespace

std::string builtProgram(const std::string& relativePath)
{
    const char* dir = std::getenv("OB32PYII_BUILD_DIR");
    if (dir == nullptr || *dir == '\0') {
        throw std::runtime_error("OB32PYII_BUILD_DIR is not set (run the tests through ctest)");
    }
    return std::string(dir) + "/" + relativePath;
}

RealProgram::RealProgram(const std::string& windowsFolder, const std::vector<std::string>& environment)
    : m_folder(windowsFolder)
{
    auto env = merged(currentEnvironment(), {"WINDIR=" + windowsFolder, "QT_QPA_PLATFORM=offscreen"});
    env = merged(std::move(env), environment);
    m_pid = spawn({builtProgram("src/gui/qt/ob32pyii")}, std::move(env), -1);
}

RealProgram::~RealProgram()
{
    if (!m_reaped && m_pid > 0) {
        kill(static_cast<pid_t>(m_pid), SIGKILL);
        waitpid(static_cast<pid_t>(m_pid), nullptr, 0);
    }
}

bool RealProgram::running()
{
    if (m_reaped) {
        return false;
    }
    int status = 0;
    if (waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG) == static_cast<pid_t>(m_pid)) {
        m_reaped = true;
        m_status = exitCodeOf(status);
        return false;
    }
    return true;
}

bool RealProgram::waitUntilStarted(double seconds)
{
    const auto deadline = SteadyClock::now() + std::chrono::duration<double>(seconds);
    while (SteadyClock::now() < deadline) {
        std::ifstream log(m_folder + "/OB32PYII.txt", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        if (text.find("Creating action timer...") != std::string::npos) {
            return true;
        }
        if (!running()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int RealProgram::waitForExit(double seconds)
{
    const auto deadline = SteadyClock::now() + std::chrono::duration<double>(seconds);
    while (running()) {
        if (SteadyClock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_status;
}

SendResult send(const std::string& windowsFolder, const std::vector<std::string>& arguments)
{
    char path[] = "/tmp/ob32pyii-send-output.XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        throw std::runtime_error("cannot make a temporary file");
    }
    std::vector<std::string> argv{builtProgram("tools/ob32pyii-send"), "--dir", windowsFolder, "--timeout", "30"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    SendResult result;
    const pid_t pid = spawn(argv, currentEnvironment(), fd);
    int status = 0;
    waitpid(pid, &status, 0);
    close(fd);
    result.exitCode = exitCodeOf(status);
    std::ifstream in(path, std::ios::binary);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(path);
    return result;
}

} // namespace ob::test
