// The log of each run kept after the next start rewrites OB32PYII.txt, with the real program: earlier logs are
// what support reads when a lab calls about yesterday's calibration.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/RealProgram.h"
#include "support/TempDir.h"

namespace ob::test {
namespace {

#ifdef _WIN32
const char* const kHistory = "state/OB32PYII/logs"; // LOCALAPPDATA is the test's "state" folder
#else
const char* const kHistory = "state/ob32pyii/logs"; // XDG_STATE_HOME likewise
#endif

// One whole run: start, terminate once it runs (the previous run's log is still there at first, so the log
// cannot tell), wait for the end.
void runOnce(const TempDir& dir)
{
    RealProgram program(dir.path());
    SendResult terminated;
    for (int i = 0; i < 500 && (terminated = send(dir.path(), {"/TERMINATE"})).exitCode == 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(terminated.exitCode, 0) << terminated.output;
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST(LogHistory, eachStartKeepsThePreviousLogAndAHistoryFolderThatCannotBeMadeNeverStopsIt)
{
    TempDir dir;
    runOnce(dir);
    const std::string first = dir.read("OB32PYII.txt");
    runOnce(dir);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file(kHistory)))
        kept.push_back(dir.read(std::string(kHistory) + "/" + entry.path().filename().string()));
    EXPECT_EQ(kept, std::vector<std::string>{first});

    TempDir blocked;
    blocked.write("state", "a file where the folder should be");
    runOnce(blocked);
    runOnce(blocked);
    EXPECT_EQ(blocked.read("state"), "a file where the folder should be");
}

} // namespace
} // namespace ob::test
