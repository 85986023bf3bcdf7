// The PostgreSQL server stopped in the middle of a session and started
// again. Runs only when OB32PYII_TEST_PG and OB32PYII_TEST_PG_DIR name a
// server of scripts/pg-test-server (DIR is the folder given to its start),
// since it stops and restarts that server; ctest runs it on its own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <optional>
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
    const std::string firstCtag = f.link().CalCTAG();
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
    EXPECT_FALSE(f.link().LinkActive());
    EXPECT_EQ(f.act("/OBLOGIN"), "");
    EXPECT_TRUE(f.link().LinkActive());
    f.clock->value.second += 1;
    EXPECT_EQ(f.act("/CREATECAL"), "");
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Calibration")[0][0], "1") << "the re-sent record replaced the first";
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Results")[0][0], "0");
    reportSize("server stopped after /CREATECAL and /CREATEFULLRES, 4 actions while down (" + errors +
               "), server restarted, /OBLOGOUT + /OBLOGIN + /CREATECAL succeed");
}

} // namespace
} // namespace ob::test
