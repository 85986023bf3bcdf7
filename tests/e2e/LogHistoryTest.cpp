// The log of each run kept after the next start rewrites OB32PYII.txt, and the version line, with the real
// program: earlier logs are what support reads when a lab calls about yesterday's calibration.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/RealProgram.h"
#include "support/TempDir.h"

namespace ob::test {
namespace {

namespace fs = std::filesystem;

const char* const kLog = "OB32PYII.txt";
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

// The kept logs, oldest first: name and content.
std::vector<std::pair<std::string, std::string>> keptLogs(const TempDir& dir)
{
    std::vector<std::pair<std::string, std::string>> kept;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir.file(kHistory), error)) {
        const std::string name = entry.path().filename().string();
        kept.emplace_back(name, dir.read(std::string(kHistory) + "/" + name));
    }
    // Oldest first: a second start within the same second is "<stamp>-2.txt", after "<stamp>.txt".
    const auto stem = [](const std::string& name) { return name.substr(0, name.size() - 4); };
    std::sort(kept.begin(), kept.end(), [&](const auto& a, const auto& b) { return stem(a.first) < stem(b.first); });
    return kept;
}

TEST(LogHistory, eachStartKeepsThePreviousLogUnderItsStartTime)
{
    TempDir dir;
    std::vector<std::string> logs;
    for (int run = 0; run < 3; ++run) {
        runOnce(dir);
        logs.push_back(dir.read(kLog));
    }
    const auto kept = keptLogs(dir);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].second, logs[0]);
    EXPECT_EQ(kept[1].second, logs[1]);
    const std::regex name("OB32PYII-(\\d{4})-(\\d\\d)-(\\d\\d)T(\\d\\d)-(\\d\\d)-(\\d\\d)(-\\d+)?\\.txt");
    for (const auto& [file, content] : kept) {
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(file, parts, name)) << file;
        // The start time of that run: its first line's stamp holds the same year, day, hour, minute and second.
        const std::string stamp = content.substr(0, content.find('\t'));
        for (int part : {1, 4, 5, 6}) {
            const std::string number = std::to_string(std::stoi(parts[part].str()));
            EXPECT_NE(stamp.find(number), std::string::npos) << file << " against " << stamp;
        }
    }

    // KeepLogs in [General] of the exchange file: the oldest go first, 0 keeps none.
    std::string exchange = dir.read("OB32PYII.INI");
    exchange.insert(exchange.find("[General]\r\n") + 11, "KeepLogs=1\r\n");
    dir.write("OB32PYII.INI", exchange);
    runOnce(dir);
    const auto one = keptLogs(dir);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].second, logs[2]);
    dir.write("OB32PYII.INI", "[General]\r\nKeepLogs=0\r\n");
    runOnce(dir);
    EXPECT_TRUE(keptLogs(dir).empty());
}

TEST(LogHistory, aHistoryFolderThatCannotBeMadeNeverStopsAStart)
{
    TempDir dir;
    dir.write("state", "a file where the folder should be");
    runOnce(dir);
    runOnce(dir);
    const auto texts = logTexts(dir.read(kLog));
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const std::string& t) { return t.rfind("Earlier log not kept: ", 0) == 0; }),
              1)
        << dir.read(kLog);
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "Creating action timer...") != texts.end());
    EXPECT_EQ(dir.read("state"), "a file where the folder should be");
}

} // namespace
} // namespace ob::test
