// A request's way through the exchange file: taken up in one write, run once,
// answered in one write, also when the file refuses a write for a while.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/ini/IniFile.h"
#include "reliability/Reliability.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

namespace fs = std::filesystem;

std::string key(const std::string& content, const char* section, const char* name)
{
    return ini::lookup(content, section, name).value_or("<missing>");
}

void setReadOnly(const std::string& path, bool readOnly)
{
    fs::permissions(path, readOnly ? fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read
                                   : fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                         fs::perms::others_read);
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
        f.set("FullResults", "Order", "1");
        f.set("FullResults", "Setpoint", "100");
    }
    std::size_t count(const std::string& line) const
    {
        const auto lines = f.logLines();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }
    std::string exchange() const { return f.dir.file("OB32PYII.INI"); }

    TestDatabase db{Engine::SQLite};
    LinkFixture f;
};

TEST(TakeUp, isOneWriteAndTheAnswerComesWithBusyFalse)
{
    LinkFixture f;
    f.start();
    f.set("General", "Error", "the last action's failure");
    f.set("CurrentAsset", "Model", "PT100");
    f.set("General", "Action", "/LOCASSET");
    // The file as the peer can see it at every log line of the tick.
    std::vector<std::string> seen;
    f.windows->onDoEvents = [&] { seen.push_back(f.dir.read("OB32PYII.INI")); };
    f.link().OnTimerTick();
    f.windows->onDoEvents = nullptr;
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

// The action reads one snapshot with its own writes; a word the peer withdrew is not taken up.
TEST(TakeUp, theRequestIsReadOnceAndItsWritesWaitForTheAnswer)
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
}

// The peer withdraws its word between the tick's look and the take-up: nothing runs.
TEST(TakeUp, aWordWithdrawnBeforeItsTakeUpRunsNothing)
{
    LinkFixture f;
    f.start();
    f.set("General", "Action", "/OBVER");
    f.windows->onDoEvents = [&] {
        if (f.windows->windowLines.back() == "Processing action /OBVER...")
            f.set("General", "Action", "");
    };
    f.link().OnTimerTick();
    f.windows->onDoEvents = nullptr;
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
    EXPECT_EQ(c.count("Processing action /CREATEFULLRES..."), 1u) << "one report per request, not one per tick";
    const auto lines = c.f.logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const auto& l) { return l.starts_with("Error processing action: 75 - "); }),
              1);
    EXPECT_EQ(c.f.get("General", "Action"), "/CREATEFULLRES");
    setReadOnly(c.exchange(), false);
    c.f.link().OnTimerTick();
    c.f.link().OnTimerTick();
    EXPECT_EQ(resultsCount(c.db), "1");
    EXPECT_EQ(c.f.get("General", "Action"), "");
    EXPECT_EQ(c.f.get("General", "Busy"), "False");
    EXPECT_EQ(c.f.get("General", "Error"), "");
    EXPECT_EQ(c.count("Done processing action /CREATEFULLRES"), 1u);
}

// The file turns read-only while the action runs: its answer waits for the
// file, and no tick meanwhile runs anything again.
TEST(TakeUp, anAnswerTheFileRefusesIsWrittenAtALaterTick)
{
    CalibrationInProgress c;
    c.f.set("General", "Action", "/CREATEFULLRES");
    bool refused = false;
    c.f.windows->onDoEvents = [&] {
        if (!refused && c.f.get("General", "Busy") == "True") {
            setReadOnly(c.exchange(), true);
            refused = true;
        }
    };
    c.f.link().OnTimerTick();
    c.f.windows->onDoEvents = nullptr;
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
    EXPECT_EQ(c.count("Done processing action /CREATEFULLRES"), 1u);
    c.f.link().OnTimerTick(); // the request sent again is a new one, taken up after the answer
    EXPECT_EQ(resultsCount(c.db), "2");
}

// The program ends while a failed action's answer still waits for the file:
// the answer gets a last chance, or the start after would clear Busy and Error
// and the peer would take the failure for success.
TEST(TakeUp, anAnswerStillWaitingIsWrittenWhenTheProgramEnds)
{
    CalibrationInProgress c;
    c.f.set("FullResults", "NumSamples", "99999");
    c.f.set("General", "Action", "/CREATEFULLRES");
    c.f.windows->onDoEvents = [&] {
        if (c.f.get("General", "Busy") == "True")
            setReadOnly(c.exchange(), true);
    };
    c.f.link().OnTimerTick();
    c.f.windows->onDoEvents = nullptr;
    setReadOnly(c.exchange(), false);
    ASSERT_EQ(c.f.get("General", "Busy"), "True");
    c.f.stop();
    EXPECT_EQ(c.f.get("General", "Busy"), "False");
    EXPECT_TRUE(c.f.get("General", "Error").value_or("").ends_with("6 - Overflow (NumSamples='99999')"));
}

} // namespace
} // namespace ob::test
