// Requests taken up as soon as the peer writes them, and the one-second tick
// when no change can be watched.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/ini/FileText.h"
#include "platform/ini/IniFile.h"
#include "support/RealProgram.h"
#include "support/TempDir.h"

namespace ob::test {
namespace {

using Clock = std::chrono::steady_clock;

double secondsFor(const TempDir& dir, int requests)
{
    const auto start = Clock::now();
    for (int i = 0; i < requests; ++i) {
        const auto result = send(dir.path(), {"/FOO"});
        EXPECT_EQ(result.exitCode, 1) << result.output;
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Each request waits for the next tick when nothing watches the file: ten of
// them take about ten seconds. Watched, they take a fraction of one.
TEST(FastExchange, aWatchedFileIsAnsweredWithoutWaitingForTheTickAndTheTickStillServes)
{
    TempDir watched;
    RealProgram program(watched.path());
    ASSERT_TRUE(program.waitUntilStarted());
    EXPECT_LT(secondsFor(watched, 10), 5.0) << "requests waited for the one-second tick";
    EXPECT_EQ(program.terminate(), 0);

    TempDir ticked;
    RealProgram fallback(ticked.path(), {"OB32PYII_WATCH=off"});
    ASSERT_TRUE(fallback.waitUntilStarted());
    EXPECT_GT(secondsFor(ticked, 2), 0.5) << "the watch was not off";
    EXPECT_EQ(fallback.terminate(), 0);
}

// The peer writes its keys one at a time (each a rewrite of the file), Action
// last, while another reader polls: the request is read with all its keys,
// and Busy False never comes before the answer.
TEST(FastExchange, aRequestWrittenKeyByKeyIsReadWholeAndItsAnswerArrivesWithBusyFalse)
{
    TempDir dir;
    dir.write("NEXOVA.INI", "[database]\r\nDB_login=Driver=SQLite3;Database=" + dir.file("missing.db") + "\r\n");
    RealProgram program(dir.path());
    ASSERT_TRUE(program.waitUntilStarted());
    IniFile peer;
    peer.setFilePath(dir.file("OB32PYII.INI"));
    peer.setRequiredSection("General");
    peer.write("OBLogin", "LoginUserName", "tech1");
    std::atomic<bool> watching{true};
    std::vector<std::string> seen;
    std::thread reader([&] {
        IniFile look = peer;
        while (watching) {
            seen.push_back(look.snapshot());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (const char* key : {"LoginPassword", "Unused1", "Unused2"}) {
        peer.write("OBLogin", key, "x");
        std::this_thread::sleep_for(std::chrono::milliseconds(3)); // shorter than the settle time
    }
    peer.write("General", "Action", "/OBLOGIN");
    std::string answer;
    for (int i = 0; i < 500; ++i) {
        answer = peer.snapshot();
        if (ini::lookupText(answer, "General", "Action") == "" && ini::lookupText(answer, "General", "Busy") == "False")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    watching = false;
    reader.join();
    EXPECT_EQ(ini::lookupText(answer, "OBLogin", "Login"), "False");
    EXPECT_NE(ini::lookupText(answer, "General", "Error").value_or(""), "");
    bool busySeen = false;
    for (const auto& content : seen) {
        const auto busy = ini::lookupText(content, "General", "Busy");
        busySeen = busySeen || busy == "True";
        if (busySeen && busy == "False") {
            EXPECT_NE(ini::lookupText(content, "General", "Error").value_or(""), "")
                << "Busy False before the answer:\n" << content;
        }
    }
    EXPECT_TRUE(busySeen);
    EXPECT_EQ(program.terminate(), 0);
    const std::string log = dir.read("OB32PYII.txt");
    EXPECT_NE(log.find("Login user name: tech1"), std::string::npos) << "the request was read before its keys";
}

} // namespace
} // namespace ob::test
