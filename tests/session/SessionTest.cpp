// Version check, login and logout against real databases through the real ODBC driver.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <tuple>

#include "session/Version.h"
#include "support/LinkFixture.h"
#include "support/PeWriter.h"

namespace ob::test {
namespace {

TEST(VersionCheck, admitsSevenBuild287AndLater)
{
    const char* const build = "ORBISTA version 7.01 build 287 or later must be installed (installed version: ";
    const std::pair<std::optional<FileVersionParts>, std::string> cases[] = {
        {FileVersionParts{7, 0, 0, 287}, ""},
        {FileVersionParts{8, 0, 0, 1}, ""},
        {std::nullopt, ""},
        {FileVersionParts{7, 0, 0, 286}, build + std::string("7.0.0.286 - build: 286)")},
        {FileVersionParts{7, 9, 0, 100}, build + std::string("7.9.0.100 - build: 100)")},
        {FileVersionParts{6, 9, 9, 999}, "ORBISTA version 7 or later is required (installed version: 6.9.9.999)"},
        {FileVersionParts{7, 0, 0, 40000}, "Could not login due to the following error: 6 - Overflow"},
    };
    for (const auto& [version, error] : cases) {
        LinkFixture f;
        writePe(f.dir.file("orbista.exe"), true, version);
        f.start();
        // No NEXOVA.INI: a version that passes ends at the data source.
        EXPECT_EQ(f.act("/OBLOGIN"),
                  error.empty() ? "No dsn name was found in the " + f.dir.file("NEXOVA.INI") + " file" : error);
        EXPECT_FALSE(f.get("OBLogin", "Login").has_value()) << "a refused login writes no login flag";
    }
}

using Session = EngineTest;

TEST_P(Session, storedCredentialsLogInAndOutUserRowsWithNullsKeepWhatWasSetBeforeAndTerminateLogsOut)
{
    db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('nolevel', NULL, 'No Level'), "
             "('noname', 7, NULL), ('o''brien', 2, 'Pat O''Brien')");
    auto f = loggedIn();
    EXPECT_EQ(f->get("OBLogin", "UserLevel"), "3");
    EXPECT_EQ(f->get("OBLogin", "UserID"), db->user());
    EXPECT_EQ(f->get("OBLogin", "UserFullName"), "Chris Calibrator");
    EXPECT_EQ(f->windows->loginDialogsShown, 0);

    EXPECT_EQ(f->act("/OBLOGIN"), "") << "logged in already";

    EXPECT_EQ(f->act("/OBLOGOUT"), "");
    EXPECT_EQ(f->get("OBLogin", "UserLevel"), "-1");
    EXPECT_EQ(f->get("OBLogin", "UserID"), "");

    ASSERT_EQ(f->act("/OBLOGIN"), "");
    // User rows with nulls keep what was set before; a user not found keeps nothing of the one before.
    using User = std::tuple<int, std::string, std::string>; // level, ID, full name
    const auto userAfterReading = [&](const char* name) {
        auto& user = f->link().session().user();
        user.GetUserInfo(&f->link().session().connection(), name);
        return User{user.UserLevel(), user.UserID(), user.UserFullName()};
    };
    EXPECT_EQ(userAfterReading("noname"), (User{7, "noname", "Chris Calibrator"})) << "it does not clear first";
    EXPECT_EQ(f->get("General", "Error"),
              "Could not get user info due to the following error: 94 - Invalid use of Null");
    EXPECT_EQ(f->get("OBLogin", "UserLevel"), "7");
    EXPECT_EQ(userAfterReading("nolevel"), (User{7, "noname", "Chris Calibrator"}));
    EXPECT_EQ(userAfterReading("o'brien"), (User{2, "o'brien", "Pat O'Brien"}));
    EXPECT_EQ(userAfterReading("nobody"), (User{-1, "", ""}))
        << "no calibration may name the user before as its technician";
    f->act("/TERMINATE");
    EXPECT_EQ(f->get("OBLogin", "Login"), "False");
}

TEST_P(Session, failingCredentialsOpenTheDialogAndTheOperatorRetriesAsTheNameTyped)
{
    LinkFixture f;
    f.start();
    std::string dialogUser, dialogPassword, dialogMessage;
    f.windows->loginScripts.push_back([&](const Credentials& given, const std::string& message) {
        std::tie(dialogUser, dialogPassword, dialogMessage) = std::tuple{given.userName, given.password, message};
        return Credentials{given.userName, db->password()};
    });
    const std::string wrongPassword = db->password() + "-wrong";
    if (GetParam() == Engine::SQLite) { // SQLite takes any password: a missing file fails instead
        f.login("Driver=SQLite3;Database=" + f.dir.file("missing.db") + ";PWD=topsecret;pWd = {a;b}}c} ", db->user(),
                wrongPassword);
        EXPECT_TRUE(f.logHas("Dsn name: Driver=SQLite3;Database=" + f.dir.file("missing.db") +
                             ";PWD=********;pWd = ******** "));
        EXPECT_EQ(f.get("OBLogin", "Login"), "False") << "the operator's retry still names the missing file";
        EXPECT_FALSE(f.dir.exists("missing.db")) << "a missing database is never created";
    } else {
        EXPECT_EQ(f.login(db->dbLogin(), db->user(), wrongPassword), "");
        EXPECT_EQ(f.get("OBLogin", "UserFullName"), "Chris Calibrator");
    }
    EXPECT_EQ(dialogUser, db->user());
    EXPECT_EQ(dialogPassword, "");
    EXPECT_EQ(dialogMessage, "The specified login credentials failed - enter valid credentials and make sure "
                             "database server is running");
    const std::string log = f.dir.read("OB32PYII.txt");
    for (const std::string& secret : {wrongPassword, std::string("topsecret"), std::string("a;b")}) {
        EXPECT_EQ(log.find(secret), std::string::npos) << "no password ever reaches the log";
    }
    // The name the operator types is the one that logs in, and the technician of the calibrations after.
    EXPECT_EQ(f.act("/OBLOGOUT"), "");
    f.windows->loginScripts.push_back([&](const Credentials&, const std::string&) {
        return Credentials{db->user(), db->password()};
    });
    EXPECT_EQ(f.login(db->dbLogin(), "", db->password()), "");
    EXPECT_EQ(f.get("OBLogin", "UserID"), db->user());
}

TEST_P(Session, cancelOrNoDisplayResetsAndReports)
{
    for (const bool display : {true, false}) {
        LinkFixture f;
        f.windows->operatorDisplay = display;
        f.start();
        f.setNexova("database", "DB_login", db->dbLogin()); // no stored credentials: the dialog opens at once
        EXPECT_EQ(f.act("/OBLOGIN"), "Login cancelled - the interface to the ORBISTA database is not enabled");
        EXPECT_EQ(f.windows->loginDialogsShown, display ? 1 : 0);
        EXPECT_EQ(f.get("OBLogin", "Login"), "False");
        EXPECT_EQ(f.get("OBLogin", "UserLevel"), "-1");
        f.set("OBLogin", "UserID", "stale");
        EXPECT_EQ(f.act("/OBLOGOUT"), "");
        EXPECT_EQ(f.get("OBLogin", "UserID"), "") << "a logout without a session still resets";
    }
}

// A user name or password with ";", braces or outer blanks logs in as exactly
// that name or fails: it never adds an item to the connection text. (An item
// the driver manager honours on every engine: SAVEFILE writes a file DSN.)
TEST_P(Session, credentialsWithSeparatorsLogInAsThemselves)
{
    const bool maria = GetParam() == Engine::MariaDB;
    LinkFixture f;
    f.start();
    // MariaDB's driver trims blanks even inside braces.
    const std::string password = maria ? "p;w}d{=x" : " p;w}d{=x ";
    const std::string names[] = {"odd;SAVEFILE=" + f.dir.file("saved"), "odd;Database=" + f.dir.file("other.db"),
                                 "{odd}", "o}d{d", " odd ", "odd;Driver={No Such}"};
    std::string roles; // the servers' accounts, dropped at the end
    for (const std::string& name : names) {
        const std::string quoted = odbc::quoteLiteral(name);
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + quoted + ", 2, " +
                 odbc::quoteLiteral("Full " + name) + ")");
        if (GetParam() != Engine::SQLite) {
            const std::string account = maria ? quoted + "@'127.0.0.1'" : "\"" + name + "\"";
            db->exec((maria ? "DROP USER IF EXISTS " : "DROP ROLE IF EXISTS ") + account);
            db->exec((maria ? "CREATE USER " + account + " IDENTIFIED BY "
                            : "CREATE ROLE " + account + " LOGIN PASSWORD ") +
                     odbc::quoteLiteral(password));
            if (!maria) {
                db->exec("GRANT USAGE ON SCHEMA ob TO " + account);
            }
            db->exec("GRANT SELECT ON ob.UserList TO " + account);
            roles += (roles.empty() ? "" : ", ") + account;
        }
    }
    for (const std::string& name : names) {
        SCOPED_TRACE("'" + name + "'");
        // SQLite takes any name; a server may refuse one its driver does not pass on exactly.
        if (f.login(db->dbLogin(), name, password).empty() || GetParam() == Engine::SQLite) {
            EXPECT_EQ(f.get("OBLogin", "UserFullName"), "Full " + name);
        } else {
            EXPECT_EQ(f.get("OBLogin", "Login"), "False");
        }
        EXPECT_EQ(f.act("/OBLOGOUT"), "");
        for (const char* file : {"saved", "saved.dsn", "other.db", "other.db}"}) {
            EXPECT_FALSE(f.dir.exists(file)) << file << ": the name added an item";
        }
    }
    EXPECT_EQ(f.dir.read("OB32PYII.txt").find("p;w}"), std::string::npos);
    if (GetParam() == Engine::PostgreSQL) {
        db->exec("REVOKE ALL ON ob.UserList FROM " + roles);
        db->exec("REVOKE USAGE ON SCHEMA ob FROM " + roles);
    }
    if (!roles.empty()) {
        db->exec((maria ? "DROP USER " : "DROP ROLE ") + roles);
    }
}

#if !defined(_WIN32) // the other client is the host's sqlite3
// Another client holds the SQLite file: a statement ends near CommandTimeout
// (not near twice that), a login near ConnectionTimeout, so Busy never stays
// True for long; once the file is free both go on.
TEST(SqliteLocked, statementsAndLoginsEndNearTheirTimeouts)
{
    TestDatabase db(Engine::SQLite);
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('orbista', 3, 'Chris')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
    LinkFixture f;
    f.windows->operatorDisplay = false;
    f.start();
    f.set("General", {{"ConnectionTimeout", "2"}, {"CommandTimeout", "4"}});
    ASSERT_EQ(f.login(db.dbLogin(), db.user(), db.password()), "");
    f.set("Calibration",
          {{"AssetNumber", "A1000"}, {"StartDate", "12/5/2026"}, {"StartTime", "14:03:27"}, {"EndTime", "15:10"}});
    double seconds = 0;
    const auto timed = [&](const char* action) {
        const auto start = std::chrono::steady_clock::now();
        const std::string error = f.act(action);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return error;
    };
    // The other client: sqlite3 holding the file until its input ends.
    const auto holdFile = [&](const char* begin) {
        FILE* client = ::popen(("sqlite3 '" + db.database() + "' >/dev/null").c_str(), "w");
        std::fputs(begin, client);
        std::fflush(client);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return client;
    };
    for (const char* begin : {"BEGIN IMMEDIATE;\n", "BEGIN EXCLUSIVE;\n"}) { // writes wait; reads wait too
        FILE* client = holdFile(begin);
        EXPECT_NE(timed("/CREATECAL"), "");
        EXPECT_TRUE(seconds > 1.5 && seconds < 5) << seconds << " s for CommandTimeout=4, " << begin;
        if (begin[6] == 'E') {
            EXPECT_EQ(f.act("/OBLOGOUT"), "");
            EXPECT_NE(timed("/OBLOGIN"), "");
            EXPECT_TRUE(seconds > 0.8 && seconds < 3) << seconds << " s for ConnectionTimeout=2";
        }
        ::pclose(client);
    }
    EXPECT_EQ(f.act("/OBLOGIN"), "");
    // A reader's lock lets the insert through and fails its commit, which must
    // leave no transaction open for the next creation to vanish into.
    FILE* reader = holdFile("BEGIN;\nSELECT count(*) FROM Calibration;\n");
    EXPECT_NE(timed("/CREATECAL"), "");
    ::pclose(reader);
    EXPECT_EQ(f.act("/CREATECAL"), "");
    EXPECT_EQ(db.rows("SELECT count(*) FROM ob.Calibration")[0][0], "1");
}
#endif

INSTANTIATE_TEST_SUITE_P(Engines, Session, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
