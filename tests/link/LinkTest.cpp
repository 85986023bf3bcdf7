// The link's life: start values, the log, the handshake on [General] Action,
// dispatch, /TERMINATE and the start procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "context/BuildInfo.h"
#include "context/LogHistory.h"
#include "link/StartProcedure.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

TEST(Dispatch, blankAndUnknownWordsAndTheLastWordWins)
{
    LinkFixture f;
    f.set("General", "Beep", "True");
    f.start();
    f.set("General", "Action", "   ");
    const std::string before = f.dir.read("OB32PYII.INI");
    const auto logBefore = f.logLines();
    f.link().OnTimerTick();
    EXPECT_EQ(f.dir.read("OB32PYII.INI"), before) << "a blank action writes nothing";
    EXPECT_EQ(f.logLines(), logBefore);

    f.set("General", "Error", "left over");
    EXPECT_EQ(f.act("/FOO"), "Unrecognized action '/FOO'");
    EXPECT_EQ(f.get("General", "Action"), "");
    EXPECT_EQ(f.windows->beeps, 1);
    EXPECT_EQ(f.act("/OBLOGIN /TERMINATE"), "");
    EXPECT_TRUE(f.link().Terminated());
    EXPECT_EQ(f.windows->timerInterval, 0);
    EXPECT_FALSE(f.logHas("Login()- GetVersion()..."));
}

TEST(Dispatch, busyWhileTheHandlerRunsAndANestedTickIsTurnedAway)
{
    LinkFixture f;
    f.start();
    std::optional<std::string> busy, action;
    std::string nestedTick = "not run";
    f.windows->onDoEvents = [&] { // WriteLog delivers events: a second tick arrives mid-action
        if (!busy && f.windows->windowLines.back().starts_with("Getting version of")) {
            busy = f.get("General", "Busy");
            action = f.get("General", "Action");
            const std::string before = f.dir.read("OB32PYII.INI");
            f.link().OnTimerTick();
            nestedTick = before == f.dir.read("OB32PYII.INI") ? "unchanged" : "changed";
        }
    };
    f.act("/OBVER");
    f.windows->onDoEvents = nullptr;
    EXPECT_EQ(busy, "True");
    EXPECT_EQ(action, "");
    EXPECT_EQ(nestedTick, "unchanged");
    EXPECT_TRUE(f.logHas("Processing request (timer busy)..."));
    EXPECT_EQ(f.get("General", "Busy"), "False");
}

TEST(StartUp, keepsAnExistingCoefficientsFieldAndStartsTheLog)
{
    LinkFixture f;
    f.set("Mapping", "CoefficientsField", "C2344;C2345");
    f.start();
    EXPECT_EQ(f.get("Mapping", "CoefficientsField"), "C2344;C2345");
    EXPECT_EQ(f.windows->timerInterval, 1000);
    EXPECT_FALSE(f.windows->outputShown);
    EXPECT_EQ(f.logLines().front(), f.dir.file("OB32PYII.txt") + " created 12/5/2026 2:03:27 PM");
}

TEST(StartUp, destructionClearsTheAssetAndShowOutputAddsTheClosingMessage)
{
    for (const bool show : {false, true}) {
        LinkFixture f;
        f.set("General", "ShowOutput", show ? "True" : "False");
        f.start();
        EXPECT_EQ(f.windows->outputShown, show);
        f.set("CurrentAsset", "Model", "PRT-100");
        f.set("OBLogin", "Login", "True");
        f.stop();
        EXPECT_EQ(f.get("CurrentAsset", "Model"), "");
        EXPECT_EQ(f.get("OBLogin", "Login"), "True");
        EXPECT_EQ(f.windows->boxes.size(), show ? 1u : 0u);
    }
}

TEST(StartUp, aFailedConstructionReportsAndTerminates)
{
    LinkFixture f;
    std::filesystem::create_directory(f.dir.file("OB32PYII.INI")); // the exchange file cannot be read
    f.start();
    EXPECT_TRUE(f.link().Terminated() && f.link().StartFailed());
    EXPECT_TRUE(f.windows->outputShown);
    ASSERT_EQ(f.windows->boxes.size(), 2u);
    EXPECT_EQ(f.windows->timersCreated, 0);
}

// An operator may have no right to the log file: the peer is still served.
TEST(StartUp, aLogFileThatCannotBeWrittenLeavesTheLogInTheWindow)
{
    LinkFixture f;
    std::filesystem::create_directory(f.dir.file("OB32PYII.txt"));
    f.start();
    EXPECT_FALSE(f.link().Terminated());
    EXPECT_TRUE(f.windows->boxes.empty());
    const auto& lines = f.windows->windowLines;
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.starts_with("The log file cannot be written (75 - "); }),
              lines.end());
    EXPECT_EQ(f.act("/FOO"), "Unrecognized action '/FOO'");
}

// Support reads the earlier logs when a lab calls about yesterday's calibration:
// the oldest go first, and two starts within one second keep both.
TEST(LogHistory, theOldestKeptLogsGoFirstAndNoneIsOverwritten)
{
    TempDir dir;
    for (const char* start : {"12/5/2026 9:00:00 AM", "12/6/2026 8:00:00 AM", "12/6/2026 8:00:00 AM"}) {
        dir.write("OB32PYII.txt", std::string(start) + "\tStarting...\r\n");
        EXPECT_EQ(loghistory::keepPrevious(dir.file("OB32PYII.txt"), dir.file("logs"), 2,
                                           regional::RegionalSettings::enUS(), {2026, 12, 7, 9, 0, 0}),
                  "");
    }
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("logs")))
        kept.push_back(entry.path().filename().string());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept,
              (std::vector<std::string>{"OB32PYII-2026-12-06T08-00-00-2.txt", "OB32PYII-2026-12-06T08-00-00.txt"}));
}

TEST(StartProcedure, aLockThatCannotBeTakenOrAFailedConstructionIsAFailedStart)
{
    LinkFixture f;
    Environment env = f.environment();
    env.windowsFolder = f.dir.file("missing"); // not another instance: no lock can be named
    EXPECT_EQ(RunStartProcedure(env, *f.windows, *f.windows), 1);
    ASSERT_EQ(f.windows->boxes.size(), 1u);
    // A construction that fails after the lock was taken ends the process with a failure too.
    std::filesystem::create_directory(f.dir.file("OB32PYII.INI"));
    EXPECT_EQ(RunStartProcedure(f.environment(), *f.windows, *f.windows), 1);
}

} // namespace
} // namespace ob::test
