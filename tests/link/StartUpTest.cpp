// Construction, destruction, the log and /TERMINATE, with a recording window
// system and real files in a temporary Windows folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "link/StartProcedure.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

TEST(StartUp, writesTheStartValuesAndKeepsTheLastLoginFlag)
{
    LinkFixture f;
    f.set("General", "Action", "/LOCASSET");
    f.set("General", "Busy", "True");
    f.set("General", "Error", "old failure");
    f.set("OBVersion", "Version", "7.0.0.300");
    f.set("OBLogin", "Login", "True");
    f.set("CurrentAsset", "Model", "PRT-100");
    f.start();

    EXPECT_EQ(f.get("General", "Action"), "");
    EXPECT_EQ(f.get("General", "Busy"), "False");
    EXPECT_EQ(f.get("General", "Error"), "");
    EXPECT_EQ(f.get("Mapping", "CoefficientsField"), "2341");
    EXPECT_EQ(f.get("OBVersion", "Version"), "");
    EXPECT_EQ(f.get("OBLogin", "UserLevel"), "-1");
    EXPECT_EQ(f.get("OBLogin", "UserID"), "");
    EXPECT_EQ(f.get("OBLogin", "UserFullName"), "");
    EXPECT_EQ(f.get("OBLogin", "Login"), "True") << "start-up leaves the last run's login flag";
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "");
    EXPECT_EQ(f.get("CurrentAsset", "IntervalUnits"), "");
    EXPECT_EQ(f.get("CurrentAsset", "Interval"), "0");
    EXPECT_EQ(f.get("CurrentAsset", "InCal"), "False");

    EXPECT_FALSE(f.link().Terminated());
    EXPECT_FALSE(f.link().session().LinkActive());
    EXPECT_EQ(f.link().session().user().UserLevel(), -1);
    EXPECT_FALSE(f.link().session().user().AllowCreateCal());
    EXPECT_FALSE(f.link().session().user().AllowCreateInv());
    EXPECT_EQ(f.windows->timerInterval, 1000);
    EXPECT_FALSE(f.windows->outputShown);
    EXPECT_TRUE(f.windows->boxes.empty());
}

TEST(StartUp, keepsAnExistingCoefficientsField)
{
    LinkFixture f;
    f.set("Mapping", "CoefficientsField", "C2344;C2345");
    f.start();
    EXPECT_EQ(f.get("Mapping", "CoefficientsField"), "C2344;C2345");
}

TEST(StartUp, narratesInOrderAndTheFirstLineReachesOnlyTheWindow)
{
    LinkFixture f;
    f.start();
    const std::string ini = f.dir.file("OB32PYII.INI");
    const std::string nexova = f.dir.file("NEXOVA.INI");
    const std::vector<std::string> expected{
        f.dir.file("OB32PYII.txt") + " created 12/5/2026 2:03:27 PM",
        "Creating INI file object for OB32PYII.INI...",
        "INI File: " + ini,
        "",
        "Creating INI file object for NEXOVA.INI...",
        "Nexova INI File: " + nexova,
        "Resetting user info...",
        "Creating action timer...",
    };
    EXPECT_EQ(f.logLines(), expected);
    ASSERT_FALSE(f.windows->windowLines.empty());
    EXPECT_EQ(f.windows->windowLines.front(), "Creating FileSystemObject...");
}

TEST(StartUp, logLinesCarryTheGeneralDateAndEndWithCrLf)
{
    LinkFixture f(regional::RegionalSettings::deDE());
    f.start();
    const std::string raw = f.dir.read("OB32PYII.txt");
    EXPECT_EQ(raw.rfind("05.12.2026 14:03:27\t", 0), 0u) << raw.substr(0, 40);
    EXPECT_NE(raw.find("\tResetting user info...\r\n"), std::string::npos);
}

TEST(StartUp, showOutputShowsTheWindowAndTheClosingMessage)
{
    LinkFixture f;
    f.set("General", "ShowOutput", "True");
    f.start();
    EXPECT_TRUE(f.windows->outputShown);
    f.stop();
    ASSERT_EQ(f.windows->boxes.size(), 1u);
    EXPECT_EQ(f.windows->boxes[0].title, "Brennhall Labs");
    EXPECT_EQ(f.windows->boxes[0].text, "Terminating link to ORBISTA database. The OB32PYII.txt log file is located in the " +
                                            f.dir.path() + " folder.");
    EXPECT_EQ(f.windows->boxes[0].icon, MessageIcon::Information);
}

TEST(StartUp, destructionClearsCurrentAssetButNotTheLoginFlag)
{
    LinkFixture f;
    f.start();
    f.set("CurrentAsset", "Model", "PRT-100");
    f.set("OBLogin", "Login", "True");
    f.stop();
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "");
    EXPECT_EQ(f.get("OBLogin", "Login"), "True");
    EXPECT_TRUE(f.windows->boxes.empty()) << "no closing message without ShowOutput";
}

TEST(StartUp, aFailedConstructionReportsAndTerminates)
{
    LinkFixture f;
    // The log file cannot be created: a folder stands in its place.
    std::filesystem::create_directory(f.dir.file("OB32PYII.txt"));
    f.start();
    EXPECT_TRUE(f.link().Terminated());
    EXPECT_TRUE(f.windows->outputShown);
    ASSERT_EQ(f.windows->boxes.size(), 2u);
    EXPECT_EQ(f.windows->boxes[0].title, "CBrennLinkDB Object Error");
    EXPECT_EQ(f.windows->boxes[0].text.rfind("An error occurred while attempting to initialize the CBrennLinkDB object: 75 - ", 0), 0u);
    EXPECT_EQ(f.windows->boxes[0].text.back(), '\r') << "the box shows its first line only";
    EXPECT_EQ(f.windows->boxes[1].title, "Brennhall Labs");
    EXPECT_EQ(f.windows->boxes[1].text.rfind("Do a screen capture the log information", 0), 0u);
    EXPECT_EQ(f.windows->timersCreated, 0);
    EXPECT_EQ(f.windows->windowLines.back().rfind("Error in Class_Initialize: 75 - ", 0), 0u);
}

TEST(WriteLog, theWindowListStopsAt32001Lines)
{
    LinkFixture f;
    f.start();
    for (int i = 0; i < 32100; ++i) {
        f.link().context().WriteLog("line " + std::to_string(i));
    }
    EXPECT_EQ(f.windows->windowLines.size(), 32001u);
    EXPECT_EQ(f.windows->windowLines.back(), "line 32099");
    EXPECT_EQ(f.windows->windowLines.front(), "line 99");
}

TEST(WriteLog, anEmptyTextWritesOnlyTheTimeStamp)
{
    LinkFixture f;
    f.start();
    f.link().context().WriteLog("");
    const std::string raw = f.dir.read("OB32PYII.txt");
    EXPECT_NE(raw.find("12/5/2026 2:03:27 PM\t\r\n"), std::string::npos);
}

TEST(Terminate, stopsTheTimerAndEndsTheProgram)
{
    LinkFixture f;
    f.start();
    EXPECT_EQ(f.act("/TERMINATE"), "");
    EXPECT_TRUE(f.link().Terminated());
    EXPECT_EQ(f.windows->timerInterval, 0);
    EXPECT_EQ(f.get("General", "Busy"), "False");
    const auto lines = f.logLines();
    const std::vector<std::string> tail(lines.end() - 3, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Disabling action timer...", "Terminated...", "Done processing action /TERMINATE"}));
}

TEST(MessageBoxes, errorBoxTextWithNumberAndSource)
{
    FakeWindowSystem ws;
    const Failure failure(13, "Type mismatch", "OB32PYII");
    ShowErrorBox(ws, "initializing the ORBISTA interface utility", "Brennhall Labs", &failure);
    ShowErrorBox(ws, "using the ORBISTA interface utility", "Brennhall Labs", nullptr);
    ASSERT_EQ(ws.boxes.size(), 2u);
    EXPECT_EQ(ws.boxes[0].text, "An error occurred while initializing the ORBISTA interface utility.\r\rError: 13 - Type mismatch\r(OB32PYII)");
    EXPECT_EQ(ws.boxes[0].icon, MessageIcon::Critical);
    EXPECT_EQ(ws.boxes[1].text, "An error occurred while using the ORBISTA interface utility.\r");
    EXPECT_EQ(ws.pointerRestores, 2);
    EXPECT_EQ(ErrorText(nullptr), "0 - ");
    EXPECT_EQ(ErrorText(Failure::invalidProcedureCall()), "5 - Invalid procedure call or argument");
}

TEST(StartProcedure, runsUntilTerminateAndASecondInstanceEndsAtOnce)
{
    LinkFixture first;
    Environment env;
    env.windowsFolder = first.dir.path();
    env.programFolder = first.dir.path();
    env.regional = first.regional;
    env.clock = first.clock;
    env.windows = first.windows;
    int waits = 0;
    first.windows->onWait = [&] {
        if (++waits == 1) {
            // While the first instance waits for events, a second one starts.
            auto ws2 = std::make_shared<FakeWindowSystem>();
            Environment env2 = env;
            env2.windows = ws2;
            const std::string iniBefore = first.dir.read("OB32PYII.INI");
            const std::string logBefore = first.dir.read("OB32PYII.txt");
            EXPECT_EQ(RunStartProcedure(env2), 0);
            EXPECT_TRUE(ws2->boxes.empty());
            EXPECT_EQ(ws2->windowLines.size(), 0u);
            EXPECT_EQ(first.dir.read("OB32PYII.INI"), iniBefore);
            EXPECT_EQ(first.dir.read("OB32PYII.txt"), logBefore);
            first.set("General", "Action", "/TERMINATE");
        }
        first.windows->tick(); // the timer's event
    };
    EXPECT_EQ(RunStartProcedure(env), 0);
    EXPECT_EQ(waits, 1);
    EXPECT_EQ(first.get("General", "Busy"), "False");
    EXPECT_TRUE(first.logHas("Terminated..."));
}

TEST(StartProcedure, aLockThatCannotBeTakenForAnotherReasonIsAFailedStart)
{
    LinkFixture f;
    // Not another instance: a lock file that cannot be opened at all.
    std::filesystem::create_directory(f.dir.file("OB32PYII.lck"));
    Environment env;
    env.windowsFolder = f.dir.path();
    env.programFolder = f.dir.path();
    env.regional = f.regional;
    env.clock = f.clock;
    env.windows = f.windows;
    EXPECT_NE(RunStartProcedure(env), 0);
    ASSERT_EQ(f.windows->boxes.size(), 1u);
    EXPECT_EQ(f.windows->boxes[0].text.rfind("An error occurred while initializing the ORBISTA interface utility.\r\r"
                                             "Error: 75 - Path/File access error: " + f.dir.file("OB32PYII.lck"), 0),
              0u)
        << f.windows->boxes[0].text;
    EXPECT_EQ(f.windows->boxes[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(f.dir.exists("OB32PYII.INI"));
}

} // namespace
} // namespace ob::test
