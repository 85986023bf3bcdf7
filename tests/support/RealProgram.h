#pragma once
// The real executables for end-to-end tests: ob32pyii started in a Windows
// folder of its own (WINDIR), and ob32pyii-send playing PYRALIS II. Both are
// found in the build folder that ctest names in OB32PYII_BUILD_DIR.

#include <string>
#include <utility>
#include <vector>

namespace ob::test {

// The path of a program of the build ("src/gui/qt/ob32pyii").
std::string builtProgram(const std::string& relativePath);

class RealProgram {
public:
    // Starts ob32pyii with WINDIR = `windowsFolder`, on the offscreen platform,
    // with each of `environment` ("NAME=value") added.
    explicit RealProgram(const std::string& windowsFolder, const std::vector<std::string>& environment = {});
    // Kills the program if it still runs.
    ~RealProgram();
    RealProgram(const RealProgram&) = delete;
    RealProgram& operator=(const RealProgram&) = delete;

    long pid() const { return m_pid; }
    // Waits until the log shows the end of start-up; false if the program
    // ended or did not get there within `seconds`.
    bool waitUntilStarted(double seconds = 20);
    // Waits for the program's end; its exit status, or -1 when it still runs
    // after `seconds`.
    int waitForExit(double seconds = 20);
    bool running();

private:
    std::string m_folder;
    long m_pid = 0;
    bool m_reaped = false;
    int m_status = -1;
    void* m_process = nullptr; // the process handle on Windows
};

struct SendResult {
    int exitCode = -1;
    std::string output; // standard output and standard error
};

// Runs ob32pyii-send --dir `windowsFolder` with `arguments` and waits for it.
SendResult send(const std::string& windowsFolder, const std::vector<std::string>& arguments);

} // namespace ob::test
