#include "support/RealProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ob::test {
namespace {

// Starts `argv` with this process's environment, each NAME=value of `changes`
// replacing the same NAME, its output to `outputFd` (or /dev/null when -1).
pid_t spawn(std::vector<std::string> argv, const std::vector<std::string>& changes, int outputFd)
{
    const auto changed = changedEnvironment(changes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        if (outputFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, outputFd, fd);
        else
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv[0]);
    return pid;
}

int exitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

RealProgram::RealProgram(const std::string& windowsFolder, const std::vector<std::string>& environment,
                         const std::vector<std::string>& launcher)
    : m_folder(windowsFolder)
{
    // Earlier logs go to the test's folder, never the user's own.
    std::vector<std::string> changes{"WINDIR=" + windowsFolder, "QT_QPA_PLATFORM=offscreen",
                                     "XDG_STATE_HOME=" + windowsFolder + "/state"};
    changes.insert(changes.end(), environment.begin(), environment.end());
    std::vector<std::string> argv = launcher;
    argv.push_back(builtProgram("src/gui/qt/ob32pyii"));
    m_pid = spawn(argv, changes, -1);
}

RealProgram::~RealProgram()
{
    if (!m_reaped && m_pid > 0 && kill(static_cast<pid_t>(m_pid), SIGKILL) == 0)
        waitpid(static_cast<pid_t>(m_pid), nullptr, 0);
}

bool RealProgram::running()
{
    int status = 0;
    if (!m_reaped && waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG) == static_cast<pid_t>(m_pid)) {
        m_reaped = true;
        m_status = exitCodeOf(status);
    }
    return !m_reaped;
}

SendResult send(const std::string& windowsFolder, const std::vector<std::string>& arguments)
{
    char path[] = "/tmp/ob32pyii-send-output.XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        throw std::runtime_error("cannot make a temporary file");
    std::vector<std::string> argv{builtProgram("tools/ob32pyii-send"), "--dir", windowsFolder, "--timeout", "30"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const pid_t pid = spawn(argv, {}, fd);
    int status = 0;
    waitpid(pid, &status, 0);
    close(fd);
    std::ifstream in(path, std::ios::binary);
    SendResult result{exitCodeOf(status), {}};
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(path);
    return result;
}

} // namespace ob::test
