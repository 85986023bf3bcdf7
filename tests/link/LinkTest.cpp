// The link's life: start values, the log, the handshake on [General] Action,
// dispatch, /TERMINATE and the start procedure; a request's way through the
// exchange file: taken up in one write, run once, answered in one write, also
// when the file refuses a write for a while.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "context/LogHistory.h"
#include "link/StartProcedure.h"
#include "platform/ini/IniFile.h"
#include "reliability/Reliability.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

namespace fs = std::filesystem;

// A blank word writes nothing; the handler runs with Busy True and turns a nested tick away.
TEST(Dispatch, blankAndUnknownWordsBusyWhileTheHandlerRunsANestedTickTurnedAwayAndTheLastWordWins)
{
    LinkFixture f;
    f.set("General", "Beep", "True");
    f.start();
    f.set("General", "Action", "   ");
    const std::string before = f.dir.read("OB32PYII.INI");
    f.link().OnTimerTick();
    EXPECT_EQ(f.dir.read("OB32PYII.INI"), before) << "a blank action writes nothing";

    f.set("General", "Error", "left over");
    EXPECT_EQ(f.act("/FOO"), "Unrecognized action '/FOO'");
    EXPECT_EQ(f.get("General", "Action"), "");
    EXPECT_EQ(f.windows->beeps, 1);
    std::optional<std::string> busy, action;
    std::string nestedTick = "not run";
    f.set("General", "Action", "/OBVER");
    f.tickWith([&] { // WriteLog delivers events: a second tick arrives mid-action
        if (!busy && f.windows->windowLines.back().starts_with("Getting version of")) {
            busy = f.get("General", "Busy");
            action = f.get("General", "Action");
            const std::string before = f.dir.read("OB32PYII.INI");
            f.link().OnTimerTick();
            nestedTick = before == f.dir.read("OB32PYII.INI") ? "unchanged" : "changed";
        }
    });
    EXPECT_EQ(busy, "True");
    EXPECT_EQ(action, "");
    EXPECT_EQ(nestedTick, "unchanged");
    EXPECT_EQ(f.act("/OBLOGIN /TERMINATE"), "");
    EXPECT_TRUE(f.link().Terminated());
    EXPECT_EQ(f.windows->timerInterval, 0);
    EXPECT_FALSE(f.logHas("Login()- GetVersion()..."));
}

TEST(StartUp, keepsAnExistingCoefficientsFieldAndDestructionClearsTheAssetAndShowOutputAddsTheClosingMessage)
{
    for (const bool show : {false, true}) {
        LinkFixture f;
        f.set("General", "ShowOutput", show ? "True" : "False");
        f.set("Mapping", "CoefficientsField", "C2344;C2345");
        f.start();
        EXPECT_EQ(f.get("Mapping", "CoefficientsField"), "C2344;C2345");
        EXPECT_EQ(f.windows->outputShown, show);
        f.set("CurrentAsset", "Model", "PRT-100");
        f.set("OBLogin", "Login", "True");
        f.stop();
        EXPECT_EQ(f.get("CurrentAsset", "Model"), "");
        EXPECT_EQ(f.get("OBLogin", "Login"), "True");
        EXPECT_EQ(f.windows->boxes, show ? 1 : 0);
    }
}

// An operator may have no right to the log file: the peer is still served.
TEST(StartUp, aLogFileThatCannotBeWrittenLeavesTheLogInTheWindow)
{
    LinkFixture f;
    fs::create_directory(f.dir.file("OB32PYII.txt"));
    f.start();
    EXPECT_FALSE(f.link().Terminated());
    EXPECT_EQ(f.windows->boxes, 0);
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
    std::set<std::string> kept;
    for (const auto& entry : fs::directory_iterator(dir.file("logs")))
        kept.insert(entry.path().filename().string());
    EXPECT_EQ(kept, (std::set<std::string>{"OB32PYII-2026-12-06T08-00-00-2.txt", "OB32PYII-2026-12-06T08-00-00.txt"}));
}

TEST(StartProcedure, aLockThatCannotBeTakenOrAFailedConstructionIsAFailedStart)
{
    LinkFixture f;
    Environment env = f.environment();
    env.windowsFolder = f.dir.file("missing"); // not another instance: no lock can be named
    EXPECT_EQ(RunStartProcedure(env, *f.windows, *f.windows), 1);
    ASSERT_EQ(f.windows->boxes, 1);
    // A construction that fails after the lock was taken ends the process with a failure too.
    fs::create_directory(f.dir.file("OB32PYII.INI")); // the exchange file cannot be read
    EXPECT_EQ(RunStartProcedure(f.environment(), *f.windows, *f.windows), 1);
    f.windows = std::make_shared<FakeWindowSystem>();
    f.start(); // the link itself reports, shows its window and never starts its timer
    EXPECT_TRUE(f.link().Terminated() && f.link().StartFailed());
    EXPECT_EQ(f.windows->boxes, 2);
    EXPECT_EQ(f.windows->timersCreated, 0);
}

std::string key(const std::string& content, const char* section, const char* name)
{
    return ini::lookup(content, section, name).value_or("<missing>");
}

void setReadOnly(const std::string& path, bool readOnly)
{
    fs::permissions(path, fs::perms::owner_write, readOnly ? fs::perm_options::remove : fs::perm_options::add);
}

std::string resultsCount(TestDatabase& db)
{
    return db.rows("SELECT count(*) FROM ob.Results")[0][0].value_or("");
}

// A link logged in to a SQLite database with a calibration in progress and a results block waiting.
struct CalibrationInProgress {
    CalibrationInProgress()
    {
        seedUserAndAsset(db);
        f.start();
        EXPECT_EQ(f.login(db.dbLogin(), db.user(), db.password()), "");
        setCalibration(f);
        EXPECT_EQ(f.act("/CREATECAL"), "");
        f.set("FullResults", {{"Order", "1"}, {"Setpoint", "100"}});
    }
    std::string exchange() const { return f.dir.file("OB32PYII.INI"); }

    TestDatabase db{Engine::SQLite};
    LinkFixture f;
};

TEST(TakeUp, isOneWriteAndTheAnswerComesWithBusyFalse)
{
    LinkFixture f;
    f.start();
    f.set("CurrentAsset", "Model", "PT100");
    f.set("General", {{"Error", "the last action's failure"}, {"Action", "/LOCASSET"}});
    // The file as the peer can see it at every log line of the tick.
    std::vector<std::string> seen;
    f.tickWith([&] { seen.push_back(f.dir.read("OB32PYII.INI")); });
    ASSERT_GE(seen.size(), 3u);
    bool takenUp = false;
    for (const auto& content : seen) {
        const bool busy = key(content, "General", "Busy") == "True";
        const std::string action = key(content, "General", "Action");
        EXPECT_FALSE(action.empty() && !busy && !takenUp) << "the take-up was written in parts:\n" << content;
        if (busy) {
            takenUp = true;
            EXPECT_EQ(key(content, "General", "Error"), "") << "Error is emptied with the take-up";
            EXPECT_EQ(key(content, "CurrentAsset", "Model"), "PT100") << "the answer came before Busy False";
        }
    }
    EXPECT_TRUE(takenUp);
    const std::string after = f.dir.read("OB32PYII.INI");
    EXPECT_EQ(key(after, "General", "Busy"), "False");
    EXPECT_EQ(key(after, "CurrentAsset", "Model"), "") << "the answer: the current asset reset";
}

// The action reads one snapshot with its own writes; a word the peer withdrew is not taken up, and a tick
// that finds its word withdrawn runs nothing.
TEST(TakeUp, theRequestIsReadOnceItsWritesWaitForTheAnswerAndAWithdrawnWordRunsNothing)
{
    LinkFixture f;
    f.start();
    ExchangeFile& exchange = f.link().context().exchange();
    f.set("CurrentAsset", "Model", "PT100");
    f.set("General", "Action", "/LOCASSET");
    EXPECT_FALSE(exchange.takeUp("/OBVER")) << "Action no longer holds the word the tick saw";
    EXPECT_EQ(f.get("General", "Action"), "/LOCASSET");
    ASSERT_TRUE(exchange.takeUp("/LOCASSET"));
    f.set("CurrentAsset", "Model", "changed by the peer meanwhile");
    EXPECT_EQ(exchange.readText("CurrentAsset", "Model"), "PT100");
    exchange.writeText("CurrentAsset", "Model", "PT100-4W");
    EXPECT_EQ(exchange.readText("CurrentAsset", "Model"), "PT100-4W");
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "changed by the peer meanwhile");
    EXPECT_EQ(f.get("General", "Busy"), "True");
    exchange.answer();
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "PT100-4W");
    EXPECT_EQ(f.get("General", "Busy"), "False");
    // The peer withdraws its word between the tick's look and the take-up: nothing runs.
    f.set("General", "Action", "/OBVER");
    f.tickWith([&] {
        if (f.windows->windowLines.back() == "Processing action /OBVER...")
            f.set("General", "Action", "");
    });
    EXPECT_FALSE(f.logHas("Done processing action /OBVER"));
    EXPECT_EQ(f.get("General", "Busy"), "False");
}

// A take-up the file refuses runs nothing and is reported once; once the file
// is writable the request runs, once.
TEST(TakeUp, aRequestWhoseTakeUpTheFileRefusesRunsOnceWhenItCanBeWritten)
{
    CalibrationInProgress c;
    c.f.set("General", "Action", "/CREATEFULLRES");
    setReadOnly(c.exchange(), true);
    for (int tick = 0; tick < 3; ++tick)
        c.f.link().OnTimerTick();
    EXPECT_EQ(resultsCount(c.db), "0") << "a request whose take-up is not in the file ran";
    EXPECT_EQ(c.f.get("General", "Action"), "/CREATEFULLRES");
    setReadOnly(c.exchange(), false);
    c.f.link().OnTimerTick();
    c.f.link().OnTimerTick();
    EXPECT_EQ(resultsCount(c.db), "1");
    EXPECT_EQ(c.f.get("General", "Action"), "");
    EXPECT_EQ(c.f.get("General", "Busy"), "False");
    EXPECT_EQ(c.f.get("General", "Error"), "");
}

// The file turns read-only while the action runs: its answer waits for the
// file, and no tick meanwhile runs anything again.
TEST(TakeUp, anAnswerTheFileRefusesIsWrittenAtALaterTickOrWhenTheProgramEnds)
{
    CalibrationInProgress c;
    c.f.set("General", "Action", "/CREATEFULLRES");
    bool refused = false;
    const auto refuseOnceBusy = [&] {
        if (!refused && c.f.get("General", "Busy") == "True") {
            setReadOnly(c.exchange(), true);
            refused = true;
        }
    };
    c.f.tickWith(refuseOnceBusy);
    ASSERT_TRUE(refused);
    EXPECT_EQ(resultsCount(c.db), "1");
    EXPECT_EQ(c.f.get("General", "Busy"), "True") << "the peer still waits";
    setReadOnly(c.exchange(), false); // a peer that gave up and sent it again
    c.f.set("General", "Action", "/CREATEFULLRES");
    setReadOnly(c.exchange(), true);
    c.f.link().OnTimerTick();
    EXPECT_EQ(resultsCount(c.db), "1") << "nothing is taken up before the last answer is in";
    setReadOnly(c.exchange(), false);
    c.f.link().OnTimerTick();
    EXPECT_EQ(resultsCount(c.db), "1") << "this tick writes the answer, and nothing else";
    EXPECT_EQ(c.f.get("General", "Busy"), "False");
    EXPECT_EQ(c.f.get("General", "Error"), "");
    c.f.link().OnTimerTick(); // the request sent again is a new one, taken up after the answer
    EXPECT_EQ(resultsCount(c.db), "2");
    // The program ends while a failed action's answer still waits for the file: the answer gets a last
    // chance, or the start after would clear Busy and Error and the peer would take the failure for success.
    c.f.set("FullResults", "NumSamples", "99999");
    c.f.set("General", "Action", "/CREATEFULLRES");
    refused = false;
    c.f.tickWith(refuseOnceBusy);
    setReadOnly(c.exchange(), false);
    ASSERT_EQ(c.f.get("General", "Busy"), "True");
    c.f.stop();
    EXPECT_EQ(c.f.get("General", "Busy"), "False");
    EXPECT_TRUE(c.f.get("General", "Error").value_or("").ends_with("6 - Overflow (NumSamples='99999')"));
}

} // namespace
} // namespace ob::test
