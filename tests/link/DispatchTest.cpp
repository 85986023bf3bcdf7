// Taking actions up from [General] Action: the handshake, the busy flag and
// the dispatch of action words.
#include <gtest/gtest.h>

#include "link/Actions.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

TEST(ParseAction, lastMatchingWordOfTheListWins)
{
    const struct {
        const char* word;
        int code;
    } cases[] = {
        {"/OBVER", kObVer},
        {"/OBLOGIN", kObLogin},
        {"/OBLOGOUT", kObLogout},
        {"/LOCASSET", kLocAsset},
        {"X/LOCASSETX", kLocAsset},
        {"/CREATECAL", kCreateCal},
        {"/WRITESTD", kWriteStd},
        {"/CREATEFULLRES", kCreateFullRes},
        {"/FLUSHFULLRES", kFlushFullRes},
        {"/TERMINATE", kTerminate},
        {"/OBLOGIN /TERMINATE", kTerminate},
        {"/TERMINATE /OBLOGIN", kTerminate},
        {"/locasset", kNoAction}, // the dispatcher upper-cases first
        {"/FOO", kNoAction},
        {"", kNoAction},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseAction(c.word), c.code) << c.word;
    }
}

TEST(Dispatch, aBlankActionWritesNothingAndLogsNothing)
{
    LinkFixture f;
    f.start();
    f.set("General", "Action", "   ");
    const std::string before = f.dir.read("OB32PYII.INI");
    const auto logBefore = f.logLines();
    f.link().OnTimerTick();
    EXPECT_EQ(f.dir.read("OB32PYII.INI"), before);
    EXPECT_EQ(f.logLines(), logBefore);
    EXPECT_EQ(f.windows->beeps, 0);
}

TEST(Dispatch, anUnknownWordIsReportedWithItsOwnSpelling)
{
    LinkFixture f;
    f.set("General", "Beep", "True");
    f.start();
    f.set("General", "Error", "left over");
    EXPECT_EQ(f.act("/FOO"), "Unrecognized action '/FOO'");
    EXPECT_EQ(f.get("General", "Busy"), "False");
    EXPECT_EQ(f.get("General", "Action"), "");
    EXPECT_EQ(f.windows->beeps, 1);
    const auto lines = f.logLines();
    const std::vector<std::string> tail(lines.end() - 4, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Processing action /FOO...", "", "Unrecognized action '/FOO'",
                                               "Done processing action /FOO"}));
}

TEST(Dispatch, wordsMatchInAnyCaseAndTheLatestWordWins)
{
    LinkFixture f;
    f.start();
    EXPECT_EQ(f.act("/locasset"), "");
    EXPECT_TRUE(f.logHas("Processing action /locasset..."));
    EXPECT_TRUE(f.logHas("Done processing action /locasset"));

    EXPECT_EQ(f.act("/OBLOGIN /TERMINATE"), "");
    EXPECT_TRUE(f.link().Terminated());
    EXPECT_FALSE(f.logHas("Login()- GetVersion()..."));
}

TEST(Dispatch, aTickDuringAnActionIsTurnedAwayAndChangesNothing)
{
    LinkFixture f;
    f.start();
    int nested = 0;
    std::string fileDuringNestedTick;
    f.windows->onDoEvents = [&] {
        // WriteLog delivers events: a second tick arrives mid-action.
        if (nested++ == 0) {
            const std::string before = f.dir.read("OB32PYII.INI");
            f.link().OnTimerTick();
            fileDuringNestedTick = before == f.dir.read("OB32PYII.INI") ? "unchanged" : "changed";
        }
    };
    f.act("/OBVER");
    f.windows->onDoEvents = nullptr;
    EXPECT_EQ(fileDuringNestedTick, "unchanged");
    EXPECT_TRUE(f.logHas("Processing request (timer busy)..."));
    EXPECT_EQ(f.get("General", "Busy"), "False");
}

TEST(Dispatch, anErrorIsEmptiedWhenTheNextActionIsTakenUp)
{
    LinkFixture f;
    f.start();
    EXPECT_EQ(f.act("/BAD"), "Unrecognized action '/BAD'");
    EXPECT_EQ(f.act("/OBVER"), "");
}

TEST(Dispatch, busyIsTrueWhileTheHandlerRuns)
{
    LinkFixture f;
    f.start();
    std::optional<std::string> busyDuring;
    std::optional<std::string> actionDuring;
    f.windows->onDoEvents = [&] {
        // Sampled when the handler logs its first line.
        if (!busyDuring && f.windows->windowLines.back().rfind("Getting version of", 0) == 0) {
            busyDuring = f.get("General", "Busy");
            actionDuring = f.get("General", "Action");
        }
    };
    f.act("/OBVER");
    EXPECT_EQ(busyDuring, "True");
    EXPECT_EQ(actionDuring, "");
}

} // namespace
} // namespace ob::test
