// Idle CPU of the real program: ob32pyii started in a Windows folder of its
// own on the offscreen platform, left alone for ten seconds after start-up,
// then ended with /TERMINATE through ob32pyii-send.
// Target: at most 0.5 % of one core.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "BenchSupport.h"
#include "support/RealProgram.h"
#include "support/TempDir.h"

namespace {

using namespace ob::bench;

constexpr double kTargetPercent = 0.5;
constexpr int kIdleSeconds = 10;

// utime + stime of the whole process from /proc/PID/stat, in clock ticks.
long long cpuTicks(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name may hold blanks; the fields after it are plain.
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    for (int n = 3; fields >> field; ++n) {
        if (n == 14)
            utime = std::stoll(field);
        if (n == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
}

// Run time of every thread in nanoseconds (/proc/PID/task/*/schedstat), and the thread count.
std::pair<long long, int> runNanoseconds(long pid)
{
    long long total = 0;
    int threads = 0;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "schedstat");
        long long ns = 0;
        if (in >> ns) {
            total += ns;
            ++threads;
        }
    }
    return {total, threads};
}

// Voluntary context switches (wake-ups) summed over the threads.
long long wakeups(long pid)
{
    long long total = 0;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "status");
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                total += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

// The build folder: two levels above this executable (build/X/bench/bench_idle).
void findBuildFolder()
{
    if (std::getenv("OB32PYII_BUILD_DIR") != nullptr)
        return;
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    ::setenv("OB32PYII_BUILD_DIR", self.parent_path().parent_path().c_str(), 1);
}

} // namespace

int main()
{
    findBuildFolder();
    ob::test::TempDir windows;
    ob::test::RealProgram program(windows.path(), {"QT_QPA_PLATFORM=offscreen"});
    if (!program.waitUntilStarted(30)) {
        std::cerr << "ob32pyii did not start\n";
        return 1;
    }
    // Let the first tick and the windows settle before measuring.
    std::this_thread::sleep_for(std::chrono::seconds(1));

    const long pid = program.pid();
    // Read the name now: after /TERMINATE the process is gone.
    std::ifstream comm(cat({"/proc/", std::to_string(pid), "/comm"}));
    std::string command;
    std::getline(comm, command);
    const long long ticks0 = cpuTicks(pid);
    const auto [ns0, threads] = runNanoseconds(pid);
    const long long wake0 = wakeups(pid);
    const auto start = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(kIdleSeconds));
    const double seconds = msSince(start) / 1000.0;
    const long long ticks1 = cpuTicks(pid);
    const auto [ns1, threadsAfter] = runNanoseconds(pid);
    const long long wake1 = wakeups(pid);
    const long long startupTicks = ticks0;

    const auto sent = ob::test::send(windows.path(), {"--timeout", "20", "/TERMINATE"});
    const int status = program.waitForExit(20);

    const double tickSeconds = static_cast<double>(ticks1 - ticks0) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    const double statPercent = tickSeconds / seconds * 100.0;
    const double schedPercent = static_cast<double>(ns1 - ns0) / 1e9 / seconds * 100.0;

    heading("Idle CPU of ob32pyii (offscreen), " + std::to_string(kIdleSeconds) + " s after start-up");
    Table t({"measure", "value"});
    t.add({"process measured", cat({command, " (pid ", std::to_string(pid), ")"})});
    t.add({"start-up run time (schedstat)", fixed(static_cast<double>(ns0) / 1e6, 1) + " ms"});
    t.add({"start-up CPU (utime+stime)",
           fixed(static_cast<double>(startupTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK)) * 1000.0, 0) +
               " ms"});
    t.add({"idle window", fixed(seconds, 2) + " s"});
    t.add({"utime+stime in the window (/proc/PID/stat)", fixed(tickSeconds * 1000.0, 0) + " ms"});
    t.add({"idle CPU from /proc/PID/stat", fixed(statPercent, 3) + " % of one core"});
    t.add({"idle CPU from schedstat (ns, all threads)", fixed(schedPercent, 3) + " % of one core"});
    t.add({"threads", std::to_string(threads) + " -> " + std::to_string(threadsAfter)});
    t.add({"wake-ups per second (voluntary switches)",
           fixed(static_cast<double>(wake1 - wake0) / seconds, 1)});
    t.add({"/TERMINATE", "ob32pyii-send exit " + std::to_string(sent.exitCode) + ", program exit " +
                             std::to_string(status)});
    t.add({"target 0.5 %", verdict(statPercent <= kTargetPercent && schedPercent <= kTargetPercent)});
    t.print();
    return status == 0 ? 0 : 1;
}
