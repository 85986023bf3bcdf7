// The PostgreSQL server stopped in the middle of a session and started
// again. Runs only when OB32PYII_TEST_PG and OB32PYII_TEST_PG_DIR name a
// server of scripts/pg-test-server (DIR is the folder given to its start),
// since it stops and restarts that server; ctest runs it on its own.
//
// The server frozen (SIGSTOP, as a hung server or a dead network path looks
// to a client): needs a server on this machine whose processes the test may
// signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "reliability/Reliability.h"
#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// pg_ctl of the server scripts/pg-test-server started in OB32PYII_TEST_PG_DIR
// (its cluster is DIR/data), run as the cluster's owner.
int pgCtl(const std::string& folder, const std::string& what)
{
    const std::string bindir = "$(for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r) "
                               "$(dirname \"$(command -v pg_ctl 2>/dev/null || echo /x/pg_ctl)\"); do "
                               "[ -x \"$d/pg_ctl\" ] && echo \"$d\" && break; done)";
    const std::string ctl = "\"" + bindir + "/pg_ctl\" -D '" + folder + "/data' -w -t 60 " + what;
    const std::string command = ::geteuid() == 0 ? "runuser -u postgres -- sh -c '" + std::string() : "sh -c '";
    // The inner command has no single quotes of its own but the folder's.
    std::string inner = ctl;
    std::string quoted;
    for (const char c : inner)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return std::system((command + quoted + "' >/dev/null 2>&1").c_str());
}

class PostgresFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* pg = std::getenv("OB32PYII_TEST_PG");
        const char* folder = std::getenv("OB32PYII_TEST_PG_DIR");
        if (pg == nullptr || folder == nullptr || *folder == '\0')
            GTEST_SKIP() << "needs OB32PYII_TEST_PG and OB32PYII_TEST_PG_DIR (the folder given to "
                            "scripts/pg-test-server start), since the test stops and restarts that server";
        m_folder = folder;
    }
    void TearDown() override
    {
        if (m_stopped)
            pgCtl(m_folder, "-l '" + m_folder + "/server.log' start");
    }
    void stopServer()
    {
        ASSERT_EQ(pgCtl(m_folder, "-m fast stop"), 0) << "pg_ctl stop failed for " << m_folder;
        m_stopped = true;
    }
    void startServer()
    {
        ASSERT_EQ(pgCtl(m_folder, "-l '" + m_folder + "/server.log' start"), 0);
        m_stopped = false;
    }

    std::string m_folder;
    bool m_stopped = false;
};

TEST_F(PostgresFaults, aStoppedServerEndsEachActionWithAClearErrorAndALoginRecovers)
{
    TestDatabase db(Engine::PostgreSQL);
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db.user()) +
            ", 3, 'Chris')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
    LinkFixture f;
    f.start();
    f.windows->operatorDisplay = false;
    ASSERT_EQ(f.login(db.dbLogin(), db.user(), db.password()), "");
    f.set("Calibration", "AssetNumber", "A1000");
    f.set("Calibration", "StartDate", "12/5/2026");
    f.set("Calibration", "StartTime", "14:03:27");
    f.set("Calibration", "EndTime", "15:10");
    ASSERT_EQ(f.act("/CREATECAL"), "");
    const std::string firstCtag = f.link().calibration().CTAG();
    f.set("FullResults", "Order", "1");
    ASSERT_EQ(f.act("/CREATEFULLRES"), "");

    stopServer();
    // A re-sent calibration of the same start: its deletion of the first
    // record and its insert must fail together.
    f.clock->value.second += 1;
    // The calibration in progress first, so that its rows are attempted; the
    // re-sent calibration last. GetATAG turns a failed lookup into "not
    // found", so /CREATECAL reports the asset as unknown: still an error, and
    // the deletion of the first record is never reached.
    const struct {
        const char* action;
        const char* message;
        const char* orMessage;
    } whileDown[] = {
        {"/CREATEFULLRES", "Could not create full results record due to the following error: ", nullptr},
        {"/WRITESTD", "Could not attach standard asset (A1000) to current calibration record due to the following "
                      "error: ", nullptr},
        {"/LOCASSET", "Could not locate asset due to the following error: ", nullptr},
        {"/CREATECAL", "Could not create calibration summary record due to the following error: ",
         "Unable to get the ATAG for asset 'A1000'."},
    };
    f.set("Standards", "Count", "1");
    f.set("Standards", "AssetNumber1", "A1000");
    f.set("CurrentAsset", "Model", "M");
    std::string errors;
    for (const auto& a : whileDown) {
        const std::string error = f.act(a.action);
        EXPECT_TRUE(startsWith(error, a.message) || (a.orMessage != nullptr && startsWith(error, a.orMessage)))
            << a.action << ": " << error;
        EXPECT_EQ(f.get("General", "Busy"), "False") << a.action;
        errors += std::string(errors.empty() ? "" : "; ") + a.action + ": " + error.substr(0, 160);
    }
    startServer();

    // Nothing partial: the first record with its one result, nothing else.
    db.connection().Close();
    db.connection().setConnectionString(db.connectionString());
    db.connection().Open();
    EXPECT_EQ(db.rows("SELECT CTAG FROM ob.Calibration"), (std::vector<std::vector<std::optional<std::string>>>{{firstCtag}}));
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Results")[0][0], "1");
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Standards")[0][0], "0");

    // /OBLOGOUT and /OBLOGIN bring the session back.
    EXPECT_EQ(f.act("/OBLOGOUT"), "");
    EXPECT_FALSE(f.link().session().LinkActive());
    EXPECT_EQ(f.act("/OBLOGIN"), "");
    EXPECT_TRUE(f.link().session().LinkActive());
    f.clock->value.second += 1;
    EXPECT_EQ(f.act("/CREATECAL"), "");
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Calibration")[0][0], "1") << "the re-sent record replaced the first";
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Results")[0][0], "0");
    reportSize("server stopped after /CREATECAL and /CREATEFULLRES, 4 actions while down (" + errors +
               "), server restarted, /OBLOGOUT + /OBLOGIN + /CREATECAL succeed");
}

// The parent of a process, from /proc; 0 when unknown.
pid_t parentOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    pid_t parent = 0;
    rest >> state >> parent;
    return parent;
}

// Processes stopped with SIGSTOP, continued when it goes, so a failing test
// never leaves the shared server frozen.
struct Frozen {
    std::vector<pid_t> pids;
    explicit Frozen(std::vector<pid_t> p) : pids(std::move(p))
    {
        for (const pid_t pid : pids)
            ::kill(pid, SIGSTOP);
    }
    ~Frozen() { thaw(); }
    void thaw()
    {
        for (const pid_t pid : pids)
            ::kill(pid, SIGCONT);
        pids.clear();
    }
};

class PostgresFrozen : public ::testing::Test {
protected:
    static constexpr int kTimeout = 2;

    void SetUp() override
    {
        if (std::getenv("OB32PYII_TEST_PG") == nullptr)
            GTEST_SKIP() << "needs OB32PYII_TEST_PG";
        db.emplace(Engine::PostgreSQL);
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
                 ", 3, 'Chris')");
        db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
        f.start();
        f.windows->operatorDisplay = false;
        f.set("General", "ConnectionTimeout", std::to_string(kTimeout));
        f.set("General", "CommandTimeout", std::to_string(kTimeout));
        ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
        const pid_t backend = linkBackend();
        if (backend == 0 || ::kill(backend, 0) != 0)
            GTEST_SKIP() << "the server's processes are not on this machine or may not be signalled";
    }

    // The backend of the link's connection: the one other session on the test's database.
    pid_t linkBackend()
    {
        const auto rows = db->rows("SELECT pid FROM pg_stat_activity WHERE datname = current_database() AND "
                                   "pid <> pg_backend_pid()");
        return rows.size() == 1 && rows[0][0] ? static_cast<pid_t>(std::stol(*rows[0][0])) : 0;
    }

    // The postmaster and every process it started.
    std::vector<pid_t> wholeServer()
    {
        const pid_t postmaster = parentOf(linkBackend());
        std::vector<pid_t> pids{postmaster};
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") == std::string::npos && parentOf(std::stoi(name)) == postmaster)
                pids.push_back(std::stoi(name));
        }
        return pids;
    }

    // Runs the action; returns its Error and how long it took in seconds.
    std::pair<std::string, double> timed(const std::string& action)
    {
        const auto start = std::chrono::steady_clock::now();
        std::string error = f.act(action);
        return {error, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
    }

    std::string createCalibration()
    {
        f.set("Calibration", "AssetNumber", "A1000");
        f.set("Calibration", "StartDate", "12/5/2026");
        f.set("Calibration", "StartTime", "14:03:27");
        f.set("Calibration", "EndTime", "15:10");
        return f.act("/CREATECAL");
    }

    void relogin()
    {
        ASSERT_EQ(f.act("/OBLOGOUT"), "");
        ASSERT_EQ(f.act("/OBLOGIN"), "");
        ASSERT_TRUE(f.link().session().LinkActive());
    }

    std::optional<TestDatabase> db;
    LinkFixture f;
};

// Each action sent while the backend of the session is frozen ends within the
// statement timeout and a little more, reports the timeout, and a logout and
// login recover once the server answers again.
TEST_F(PostgresFrozen, aFrozenBackendEndsEachActionWithinItsTimeoutAndALoginRecovers)
{
    ASSERT_EQ(createCalibration(), "");
    const std::string firstCtag = f.link().calibration().CTAG();
    f.set("FullResults", "Order", "1");
    f.set("CurrentAsset", "Model", "M");

    // The re-sent calibration last: GetATAG turns its failed lookup into "not
    // found", so the timeout shows in the log only.
    const struct {
        const char* action;
        const char* message;
    } cases[] = {
        {"/CREATEFULLRES", "Could not create full results record due to the following error: -2147467259 - "},
        {"/LOCASSET", "Could not locate asset due to the following error: -2147467259 - "},
        {"/CREATECAL", "Unable to get the ATAG for asset 'A1000'."},
    };
    std::string report;
    for (const auto& c : cases) {
        Frozen frozen({linkBackend()});
        const auto [error, seconds] = timed(c.action);
        frozen.thaw();
        EXPECT_TRUE(startsWith(error, c.message)) << c.action << ": " << error;
        EXPECT_NE(f.logText().find("Timeout expired"), std::string::npos) << c.action;
        EXPECT_NE(f.logText().find("(SQLSTATE HYT00)"), std::string::npos) << c.action;
        EXPECT_LT(seconds, kTimeout + 4) << c.action;
        EXPECT_EQ(f.get("General", "Busy"), "False") << c.action;
        // The cut connection fails the next action at once instead of hanging it.
        const auto [next, nextSeconds] = timed("/LOCASSET");
        EXPECT_FALSE(next.empty()) << c.action;
        EXPECT_LT(nextSeconds, 2) << c.action;
        if (report.empty())
            report = "Error \"" + error + "\"; ";
        report += std::string(c.action) + " " + std::to_string(seconds).substr(0, 4) + " s ";
        relogin();
        f.clock->value.second += 1;
    }

    // Nothing partial: the first record, no result, and after recovery the
    // re-sent calibration replaces it.
    EXPECT_EQ(db->rows("SELECT CTAG FROM ob.Calibration"),
              (std::vector<std::vector<std::optional<std::string>>>{{firstCtag}}));
    EXPECT_EQ(db->rows("SELECT count(*) FROM ob.Results")[0][0], "0");
    EXPECT_EQ(f.act("/CREATECAL"), "");
    EXPECT_EQ(f.act("/CREATEFULLRES"), "");
    EXPECT_EQ(db->rows("SELECT count(*) FROM ob.Calibration")[0][0], "1");
    reportSize("CommandTimeout=2, backend frozen with SIGSTOP: " + report +
               "; the next action fails at once; /OBLOGOUT + /OBLOGIN recover");
}

// The results table locked by another session: the server's statement
// timeout ends the result cleanly and the session goes on.
TEST_F(PostgresFrozen, aLockedTableEndsTheResultWithinItsTimeoutAndKeepsTheSession)
{
    ASSERT_EQ(createCalibration(), "");
    f.set("FullResults", "Order", "1");
    {
        odbc::Transaction other(db->connection());
        db->exec("LOCK TABLE ob.Results IN EXCLUSIVE MODE");
        const auto [error, seconds] = timed("/CREATEFULLRES");
        EXPECT_TRUE(startsWith(error, "Could not create full results record due to the following error: "
                                      "-2147467259 - "))
            << error;
        EXPECT_NE(error.find("statement timeout"), std::string::npos) << error;
        EXPECT_NE(error.find("(SQLSTATE 57014)"), std::string::npos) << error;
        EXPECT_LT(seconds, kTimeout + 4);
        EXPECT_EQ(f.get("General", "Busy"), "False");
        reportSize("CommandTimeout=2, results table locked by another session: /CREATEFULLRES ends after " +
                   std::to_string(seconds).substr(0, 4) + " s with \"" + error.substr(error.find("-2147467259")) +
                   "\"; the session goes on");
    }
    EXPECT_EQ(db->rows("SELECT count(*) FROM ob.Results")[0][0], "0");
    EXPECT_EQ(f.act("/CREATEFULLRES"), "") << "the session goes on without a new login";
}

// The whole server frozen: a login ends within its timeout as a failed
// attempt, unattended with the cancel text, and succeeds once it answers.
TEST_F(PostgresFrozen, aFrozenServerEndsTheLoginWithinItsTimeoutAndALaterLoginSucceeds)
{
    const std::vector<pid_t> server = wholeServer();
    ASSERT_EQ(f.act("/OBLOGOUT"), "");
    Frozen frozen(server);
    const auto [error, seconds] = timed("/OBLOGIN");
    frozen.thaw();
    EXPECT_EQ(error, "Login cancelled - the interface to the ORBISTA database is not enabled");
    EXPECT_LT(seconds, kTimeout + 4);
    EXPECT_EQ(f.get("OBLogin", "Login"), "False");
    EXPECT_EQ(f.get("General", "Busy"), "False");
    std::string reason;
    for (const auto& line : f.logLines())
        if (startsWith(line, "Login error: "))
            reason = line;
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(f.act("/OBLOGIN"), "");
    EXPECT_TRUE(f.link().session().LinkActive());
    reportSize("ConnectionTimeout=2, server frozen with SIGSTOP: /OBLOGIN ends after " +
               std::to_string(seconds).substr(0, 4) + " s (" + reason + "); after SIGCONT /OBLOGIN succeeds");
}

} // namespace
} // namespace ob::test
