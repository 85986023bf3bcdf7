// Database faults on SQLite: a database file that is missing, read-only,
// not a database or locked by another connection. (The server stopped or
// frozen mid-session: PgServerFaultTest.cpp.)
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/odbc/Connection.h"
#include "platform/regional/Conversions.h"
#include "reliability/Reliability.h"
#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// The log line the failed connection left, without its prefix.
std::string loginErrorOf(const LinkFixture& f)
{
    for (const auto& line : f.logLines()) {
        if (startsWith(line, "Login error: "))
            return line.substr(13);
    }
    return {};
}

// Unattended: a failed connection cannot be retried by an operator, so the
// login ends, reports itself in [General] Error, leaves Login False and
// Busy False, and the log says why the database could not be opened.
void expectFailedLogin(LinkFixture& f, const std::string& dbLogin, const std::string& why)
{
    f.windows->operatorDisplay = false;
    const std::string error = f.login(dbLogin, "jane", "secret");
    EXPECT_FALSE(error.empty()) << why;
    EXPECT_FALSE(f.link().session().LinkActive()) << why;
    EXPECT_EQ(f.get("OBLogin", "Login"), "False") << why;
    EXPECT_EQ(f.get("General", "Busy"), "False") << why;
    EXPECT_FALSE(loginErrorOf(f).empty()) << why << ": the log names the driver's reason";
}

std::string outcome(const LinkFixture& f)
{
    return "[General] Error \"" + f.get("General", "Error").value_or("") + "\", Login False, Busy False; log: Login error: " +
           loginErrorOf(f);
}

std::string sqliteLogin(const std::string& file)
{
    return "Driver=SQLite3;Database=" + file;
}

TEST(SqliteFaults, aMissingDatabaseFileIsALoginErrorAndIsNotCreated)
{
    LinkFixture f;
    f.start();
    expectFailedLogin(f, sqliteLogin(f.dir.file("missing.db")), "missing file");
    EXPECT_FALSE(f.dir.exists("missing.db"));
    reportSize(outcome(f));
}

TEST(SqliteFaults, aFileThatIsNotADatabaseIsALoginErrorAndIsLeftAlone)
{
    LinkFixture f;
    f.start();
    const std::string content = "[General]\r\nThis is an INI file, not a database\r\n";
    const std::string file = f.dir.write("orbista.db", content);
    expectFailedLogin(f, sqliteLogin(file), "not a database");
    EXPECT_EQ(f.dir.read("orbista.db"), content);
    reportSize(outcome(f));
}

TEST(SqliteFaults, aReadOnlyDatabaseRefusesTheCalibrationClearlyAndKeepsItsRows)
{
    TestDatabase db(Engine::SQLite);
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db.user()) +
            ", 3, 'Chris')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
    db.connection().Close();
    // Read-only for everyone, root included: the immutable attribute where the
    // file system has it, else the mode (which binds everyone but root).
    const bool immutable = std::system(("chattr +i '" + db.database() + "' 2>/dev/null").c_str()) == 0;
    ::chmod(db.database().c_str(), 0444);
    if (!immutable && ::geteuid() == 0) {
        ::chmod(db.database().c_str(), 0644);
        GTEST_SKIP() << "running as root without chattr: the file cannot be made read-only";
    }
    struct Restore {
        std::string file;
        bool immutable;
        ~Restore()
        {
            if (immutable)
                (void)std::system(("chattr -i '" + file + "' 2>/dev/null").c_str());
            ::chmod(file.c_str(), 0644);
        }
    } restore{db.database(), immutable};

    LinkFixture f;
    f.start();
    f.windows->operatorDisplay = false;
    const std::string loginError = f.login(db.dbLogin(), db.user(), db.password());
    std::string outcome;
    if (!loginError.empty()) {
        // Refused at login: as clear as a missing file.
        EXPECT_FALSE(f.link().session().LinkActive());
        outcome = "login refused: " + loginError;
    } else {
        // Reading works; the first write is refused with the creation's error.
        f.set("Calibration", "AssetNumber", "A1000");
        f.set("Calibration", "StartDate", "12/5/2026");
        f.set("Calibration", "StartTime", "14:03:27");
        f.set("Calibration", "EndTime", "15:10");
        const std::string error = f.act("/CREATECAL");
        EXPECT_TRUE(startsWith(error, "Could not create calibration summary record due to the following error: "))
            << error;
        EXPECT_NE(error.find("readonly"), std::string::npos) << error;
        EXPECT_EQ(f.get("General", "Busy"), "False");
        outcome = "login works (reading is allowed); /CREATECAL refused: " + error;
    }
    f.stop();
    odbc::Connection check;
    check.setConnectionString(db.connectionString());
    check.Open();
    EXPECT_TRUE(check.Execute("SELECT * FROM ob.Calibration").Eof());
    EXPECT_FALSE(check.Execute("SELECT * FROM ob.UserList").Eof());
    reportSize(outcome);
}

// Another connection holds the write lock: the result waits no longer than the
// statement timeout of the exchange file and fails with the driver's text.
TEST(SqliteFaults, aDatabaseLockedByAnotherConnectionEndsTheStatementWithinItsTimeout)
{
    TestDatabase db(Engine::SQLite);
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db.user()) +
            ", 3, 'Chris')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
    LinkFixture f;
    f.start();
    f.windows->operatorDisplay = false;
    f.set("General", "CommandTimeout", "2");
    ASSERT_EQ(f.login(db.dbLogin(), db.user(), db.password()), "");
    f.set("Calibration", "AssetNumber", "A1000");
    f.set("Calibration", "StartDate", "12/5/2026");
    f.set("Calibration", "StartTime", "14:03:27");
    f.set("Calibration", "EndTime", "15:10");
    ASSERT_EQ(f.act("/CREATECAL"), "");
    f.set("FullResults", "Order", "1");
    std::string error;
    double seconds = 0;
    {
        odbc::Transaction other(db.connection());
        db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T2000', 'A2000')");
        const auto start = std::chrono::steady_clock::now();
        error = f.act("/CREATEFULLRES");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    EXPECT_TRUE(startsWith(error, "Could not create full results record due to the following error: -2147467259 - "))
        << error;
    EXPECT_NE(error.find("database is locked"), std::string::npos) << error;
    EXPECT_LT(seconds, 2 + 4);
    EXPECT_EQ(f.get("General", "Busy"), "False");
    EXPECT_EQ(f.act("/CREATEFULLRES"), "") << "once the lock is gone the session goes on";
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Results")[0][0], "1");
    reportSize("CommandTimeout=2, write lock held by another connection: /CREATEFULLRES ends after " +
               regional::formatFixed(seconds, regional::RegionalSettings::enUS()) + " s with \"" +
               error.substr(error.find("-2147467259")) + "\"; the next /CREATEFULLRES succeeds");
}

} // namespace
} // namespace ob::test
