// Database faults on SQLite: a database file that is read-only, or locked by
// another connection. (A missing file: the end-to-end tests.)
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "reliability/Reliability.h"

namespace ob::test {
namespace {

TEST(SqliteFaults, aReadOnlyDatabaseRefusesTheCalibrationClearlyAndKeepsItsRows) {
    TestDatabase db(Engine::SQLite);
    seedUserAndAsset(db);
    db.connection().Close();
    // Read-only for everyone, root included: the immutable attribute where the
    // file system has it, else the mode (which binds everyone but root).
    const std::string file = db.database();
    const bool immutable = std::system(("chattr +i '" + file + "' 2>/dev/null").c_str()) == 0;
    ::chmod(file.c_str(), 0444);
    const auto restore = [&] {
        if (immutable)
            (void)std::system(("chattr -i '" + file + "' 2>/dev/null").c_str());
        ::chmod(file.c_str(), 0644);
    };
    if (!immutable && ::geteuid() == 0) {
        restore();
        GTEST_SKIP() << "running as root without chattr: the file cannot be made read-only";
    }
    LinkFixture f;
    f.start();
    f.windows->operatorDisplay = false;
    std::string outcome = f.login(db.dbLogin(), db.user(), db.password());
    if (!outcome.empty()) {
        EXPECT_FALSE(f.link().LinkActive()) << "refused at login: as clear as a missing file";
    } else {
        // Reading works; the first write is refused with the creation's error.
        setCalibration(f);
        outcome = f.act("/CREATECAL");
        EXPECT_TRUE(startsWith(outcome, "Could not create calibration summary record due to the following error: "))
            << outcome;
        EXPECT_NE(outcome.find("readonly"), std::string::npos) << outcome;
        EXPECT_EQ(f.get("General", "Busy"), "False");
    }
    f.stop();
    restore();
    db.connection().Open();
    EXPECT_TRUE(db.rows("SELECT * FROM ob.Calibration").empty());
    EXPECT_EQ(db.rows("SELECT * FROM ob.UserList").size(), 1u);
    reportSize("read-only database file: " + outcome);
}

// Another connection holds the write lock: the result waits no longer than the
// statement timeout of the exchange file and fails with the driver's text.
TEST(SqliteFaults, aDatabaseLockedByAnotherConnectionEndsTheStatementWithinItsTimeout) {
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
    EXPECT_TRUE(startsWith(error, "Could not create full results record due to the following error: -2147467259 - "))
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
