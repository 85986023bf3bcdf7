// Database faults on SQLite. (A missing database file: the end-to-end tests; a
// refused write: the hostile input and calibration tests.)
#include <chrono>

#include "reliability/Reliability.h"

namespace ob::test {
namespace {

// Another connection holds the write lock: the result waits no longer than the
// statement timeout of the exchange file and fails with the driver's text.
TEST(SqliteFaults, aDatabaseLockedByAnotherConnectionEndsTheStatementWithinItsTimeout)
{
    TestDatabase db(Engine::SQLite);
    seedUserAndAsset(db);
    LinkFixture f;
    f.start();
    f.windows->operatorDisplay = false;
    f.set("General", "CommandTimeout", "2");
    ASSERT_EQ(f.login(db.dbLogin(), db.user(), db.password()), "");
    setCalibration(f);
    ASSERT_EQ(f.act("/CREATECAL"), "");
    f.set("FullResults", "Order", "1");
    std::string error;
    std::chrono::duration<double> took{};
    {
        odbc::Transaction other(db.connection());
        db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T2000', 'A2000')");
        const auto start = std::chrono::steady_clock::now();
        error = f.act("/CREATEFULLRES");
        took = std::chrono::steady_clock::now() - start;
    }
    EXPECT_TRUE(error.starts_with("Could not create full results record due to the following error: -2147467259 - "))
        << error;
    EXPECT_NE(error.find("database is locked"), std::string::npos) << error;
    EXPECT_LT(took.count(), 2 + 4);
    EXPECT_EQ(f.get("General", "Busy"), "False");
    EXPECT_EQ(f.act("/CREATEFULLRES"), "") << "once the lock is gone the session goes on";
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Results")[0][0], "1");
    reportSize("CommandTimeout=2, write lock held by another connection: /CREATEFULLRES ends after " +
               std::to_string(took.count()).substr(0, 4) + " s with \"" + error + "\"; the next one succeeds");
}

} // namespace
} // namespace ob::test
