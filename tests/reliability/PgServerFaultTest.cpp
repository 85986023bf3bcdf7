// The PostgreSQL server frozen (SIGSTOP: a hung server or dead network) or locked mid-session; run alone.
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "reliability/Reliability.h"

namespace ob::test {
namespace {

// The parent of a process, from /proc; 0 when unknown.
pid_t parentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("PPid:"))
            return std::stoi(line.substr(5));
    }
    return 0;
}

// Logged in with 2-second timeouts; a calibration of A1000 created.
class PostgresFrozen : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("OB32PYII_TEST_PG") == nullptr)
            GTEST_SKIP() << "needs OB32PYII_TEST_PG";
        db.emplace(Engine::PostgreSQL);
        seedUserAndAsset(*db);
        f.start();
        f.windows->operatorDisplay = false;
        f.set("General", "ConnectionTimeout", "2");
        f.set("General", "CommandTimeout", "2");
        ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
        if (linkBackend() == 0 || ::kill(linkBackend(), 0) != 0)
            GTEST_SKIP() << "the server's processes are not on this machine or may not be signalled";
        setCalibration(f);
        ASSERT_EQ(f.act("/CREATECAL"), "");
        first = db->rows("SELECT CTAG FROM ob.Calibration").at(0).at(0).value_or("");
        f.set("FullResults", "Order", "1");
    }

    // The backend of the link's connection: the one other session on the test's database.
    pid_t linkBackend()
    {
        const auto rows = db->rows("SELECT pid FROM pg_stat_activity WHERE datname = current_database() AND "
                                   "pid <> pg_backend_pid()");
        return rows.size() == 1 && rows[0][0] ? static_cast<pid_t>(std::stol(*rows[0][0])) : 0;
    }

    // Runs the action with `frozen` stopped (SIGCONT after); it must end in time with Busy False. Returns Error.
    std::string timed(const std::string& action, const std::vector<pid_t>& frozen = {}, double limit = 2 + 4)
    {
        for (const pid_t pid : frozen)
            ::kill(pid, SIGSTOP);
        const auto start = std::chrono::steady_clock::now();
        std::string error = f.act(action); // the link answers every failure in the file: nothing escapes
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (const pid_t pid : frozen)
            ::kill(pid, SIGCONT);
        EXPECT_LT(seconds, limit) << action;
        EXPECT_EQ(f.get("General", "Busy"), "False") << action;
        return error;
    }

    std::optional<TestDatabase> db;
    LinkFixture f;
    std::string first;  // the CTAG of the calibration created
    double seconds = 0; // the last timed action's
};

// Each action ends in time with its error and a new login recovers; a re-sent /CREATECAL deletes nothing.
TEST_F(PostgresFrozen, aFrozenBackendEndsEachActionWithinItsTimeoutAndALoginRecovers)
{
    f.set("Standards", "Count", "1");
    f.set("Standards", "AssetNumber1", "A1000");
    f.set("CurrentAsset", "Model", "M");
    const char* const cases[][2] = {
        {"/CREATEFULLRES", "Could not create full results record due to the following error: -2147467259 - "},
        {"/WRITESTD", "Could not attach standard asset (A1000) to current calibration record due to the following "
                      "error: "},
        {"/LOCASSET", "Could not locate asset due to the following error: -2147467259 - "},
        {"/CREATECAL", "Unable to get the ATAG for asset 'A1000'."},
    };
    std::string report;
    for (const auto& [action, message] : cases) {
        const std::string error = timed(action, {linkBackend()});
        EXPECT_TRUE(error.starts_with(message)) << action << ": " << error;
        report += std::string(action) + " " + std::to_string(seconds).substr(0, 4) + " s; ";
        EXPECT_NE(timed("/LOCASSET", {}, 2), "") << "the cut connection fails the next action at once";
        ASSERT_EQ(f.act("/OBLOGOUT"), "");
        ASSERT_EQ(f.act("/OBLOGIN"), "");
        f.clock->value.second += 1;
    }
    EXPECT_EQ(db->rows("SELECT CTAG FROM ob.Calibration"), Rows{{first}}) << "nothing partial";
    EXPECT_EQ(db->rows("SELECT (SELECT count(*) FROM ob.Results), (SELECT count(*) FROM ob.Standards)"),
              (Rows{{"0", "0"}}));
    EXPECT_EQ(f.act("/CREATECAL"), "");
    EXPECT_EQ(f.act("/CREATEFULLRES"), "");
    EXPECT_EQ(db->rows("SELECT count(*) FROM ob.Calibration")[0][0], "1") << "the re-sent record replaced the first";
    reportSize("CommandTimeout=2, backend frozen with SIGSTOP: " + report +
               "the next action fails at once; /OBLOGOUT + /OBLOGIN recover");
}

// Another session's lock: the server's statement timeout ends the result and the session goes on.
TEST_F(PostgresFrozen, aLockedTableEndsTheResultWithinItsTimeoutAndKeepsTheSession)
{
    std::string error;
    {
        odbc::Transaction other(db->connection());
        db->exec("LOCK TABLE ob.Results IN EXCLUSIVE MODE");
        error = timed("/CREATEFULLRES");
    }
    EXPECT_TRUE(error.starts_with("Could not create full results record due to the following error: -2147467259 - "))
        << error;
    EXPECT_NE(error.find("(SQLSTATE 57014)"), std::string::npos) << "the server's statement timeout: " << error;
    EXPECT_EQ(db->rows("SELECT count(*) FROM ob.Results")[0][0], "0");
    EXPECT_EQ(f.act("/CREATEFULLRES"), "") << "the session goes on without a new login";
    reportSize("CommandTimeout=2, results table locked by another session: /CREATEFULLRES ends after " +
               std::to_string(seconds).substr(0, 4) + " s with \"" + error + "\"; the session goes on");
}

// The postmaster frozen: the unattended login ends within its timeout, and succeeds once it answers.
TEST_F(PostgresFrozen, aFrozenServerEndsTheLoginWithinItsTimeoutAndALaterLoginSucceeds)
{
    const pid_t postmaster = parentOf(linkBackend());
    ASSERT_EQ(f.act("/OBLOGOUT"), "");
    EXPECT_EQ(timed("/OBLOGIN", {postmaster}),
              "Login cancelled - the interface to the ORBISTA database is not enabled");
    EXPECT_EQ(f.get("OBLogin", "Login"), "False");
    EXPECT_EQ(f.act("/OBLOGIN"), "");
    EXPECT_EQ(f.get("OBLogin", "Login"), "True");
    reportSize("ConnectionTimeout=2, postmaster frozen with SIGSTOP: /OBLOGIN ends after " +
               std::to_string(seconds).substr(0, 4) + " s; after SIGCONT /OBLOGIN succeeds");
}

} // namespace
} // namespace ob::test
