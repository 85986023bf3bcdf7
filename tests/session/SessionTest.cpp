// Login and logout against a real database through the real ODBC driver.
#include <gtest/gtest.h>

#include "session/Version.h"
#include "support/LinkFixture.h"
#include "support/PeWriter.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

TEST(ParseVersion, readsTheLeadingDigitsOfEachPiece)
{
    const struct {
        const char* text;
        ParsedVersion expected;
    } cases[] = {
        {"7.0.0.287", {7, 0, 0, 287}}, {"8.0.0.1", {8, 0, 0, 1}},   {"7.0", {7, 0, 0, 0}},
        {"7", {0, 0, 0, 0}},           {"", {0, 0, 0, 0}},          {"7.1a.2.3x", {7, 1, 2, 3}},
        {"..", {0, 0, 0, 0}},          {"1.2.3.4.5", {1, 2, 3, 4}}, {"65535.0.0.1", {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        if (std::string(c.text) == "65535.0.0.1") {
            EXPECT_THROW(ParseVersion(c.text), Failure) << "a piece beyond 16 bits overflows";
            continue;
        }
        const ParsedVersion v = ParseVersion(c.text);
        EXPECT_EQ(DescribeVersion(v), DescribeVersion(c.expected)) << c.text;
    }
    EXPECT_EQ(DescribeVersion({7, 0, 0, 287}), "Major: 7 Minor: 0 Other: 0 Build: 287");
}

// The version check before any database work.
TEST(VersionCheck, admitsSevenBuild287AndLater)
{
    const struct {
        std::optional<FileVersionParts> version;
        const char* error; // empty: the check passes and the login goes on
    } cases[] = {
        {FileVersionParts{7, 0, 0, 287}, ""},
        {FileVersionParts{8, 0, 0, 1}, ""},
        {std::nullopt, ""},
        {FileVersionParts{7, 0, 0, 286},
         "ORBISTA version 7.01 build 287 or later must be installed (installed version: 7.0.0.286 - build: 286)"},
        {FileVersionParts{7, 9, 0, 100},
         "ORBISTA version 7.01 build 287 or later must be installed (installed version: 7.9.0.100 - build: 100)"},
        {FileVersionParts{6, 9, 9, 999}, "ORBISTA version 7 or later is required (installed version: 6.9.9.999)"},
        {FileVersionParts{7, 0, 0, 40000}, "Could not login due to the following error: 6 - Overflow"},
    };
    for (const auto& c : cases) {
        LinkFixture f;
        writePe(f.dir.file("orbista.exe"), true, c.version);
        f.start();
        // No NEXOVA.INI: a version that passes ends at the data source.
        const std::string error = f.act("/OBLOGIN");
        const std::string expected =
            *c.error ? std::string(c.error) : "No dsn name was found in the " + f.dir.file("NEXOVA.INI") + " file";
        EXPECT_EQ(error, expected);
        EXPECT_FALSE(f.link().session().LinkActive());
        EXPECT_FALSE(f.get("OBLogin", "Login").has_value()) << "a refused login writes no login flag";
    }
}

TEST(VersionCheck, obverPublishesTheVersion)
{
    LinkFixture f;
    writePe(f.dir.file("orbista.exe"), false, FileVersionParts{7, 0, 2, 301});
    f.start();
    EXPECT_EQ(f.act("/OBVER"), "");
    EXPECT_EQ(f.get("OBVersion", "Version"), "7.0.2.301");
    EXPECT_TRUE(f.logHas("Getting version of '" + f.dir.file("orbista.exe") + "' file..."));
    EXPECT_TRUE(f.logHas("orbista.exe version: 7.0.2.301"));
}

class Session : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
                 ", 3, 'Chris Calibrator')");
    }
    std::unique_ptr<TestDatabase> db;
};

TEST_P(Session, storedCredentialsLogInAndPublishTheUser)
{
    LinkFixture f;
    f.start();
    EXPECT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    EXPECT_TRUE(f.link().session().LinkActive());
    EXPECT_EQ(f.get("OBLogin", "Login"), "True");
    EXPECT_EQ(f.get("OBLogin", "UserLevel"), "3");
    EXPECT_EQ(f.get("OBLogin", "UserID"), db->user());
    EXPECT_EQ(f.get("OBLogin", "UserFullName"), "Chris Calibrator");
    EXPECT_EQ(f.windows->loginDialogsShown, 0);
    EXPECT_TRUE(f.logHas("Login password: ********"));
    EXPECT_TRUE(f.logHas("Logging in to database (PROVIDER=MSDASQL;" + db->dbLogin() + ";uid=" + db->user() +
                         ";pwd=********;)..."));
    EXPECT_TRUE(f.logHas("Connection to ORBISTA database established..."));
    EXPECT_TRUE(f.logHas("Setting login flag (True)"));
    EXPECT_EQ(f.logText().find("pwd=" + db->password() + ";"), std::string::npos);
    EXPECT_FALSE(f.logHas("Login password: " + db->password()));

    // Logged in already: nothing is logged or written.
    const auto before = f.logLines().size();
    EXPECT_EQ(f.act("/OBLOGIN"), "");
    EXPECT_EQ(f.logLines().size(), before + 3) << "only the dispatcher's own three lines";

    EXPECT_EQ(f.act("/OBLOGOUT"), "");
    EXPECT_FALSE(f.link().session().LinkActive());
    EXPECT_EQ(f.get("OBLogin", "Login"), "False");
    EXPECT_EQ(f.get("OBLogin", "UserLevel"), "-1");
    EXPECT_EQ(f.get("OBLogin", "UserID"), "");
    EXPECT_TRUE(f.logHas("Logout successful..."));
}

TEST_P(Session, failingCredentialsOpenTheDialogAndTheOperatorRetries)
{
    LinkFixture f;
    f.start();
    std::string dialogUser, dialogPassword, dialogMessage, dialogDetails;
    f.windows->loginScripts.push_back([&](LoginDialog& d, const std::string& message) {
        dialogUser = d.sUserName;
        dialogPassword = d.sPassword;
        dialogMessage = message;
        dialogDetails = d.sDetails;
        d.sPassword = db->password();
        d.sUserName = db->user();
    });
    // SQLite takes any password: a missing database file fails instead.
    const bool sqlite = GetParam() == Engine::SQLite;
    const std::string missing = "Driver=SQLite3;Database=" + f.dir.file("missing.db");
    const std::string wrongPassword = db->password() + "-wrong";
    if (sqlite) {
        f.setNexova("database", "DB_login", missing);
        f.set("OBLogin", "LoginUserName", db->user());
        f.set("OBLogin", "LoginPassword", wrongPassword);
        f.act("/OBLOGIN");
        EXPECT_FALSE(f.link().session().LinkActive()) << "the operator's retry still names the missing file";
        EXPECT_FALSE(f.dir.exists("missing.db")) << "a missing database is never created";
    } else {
        EXPECT_EQ(f.login(db->dbLogin(), db->user(), wrongPassword), "");
        EXPECT_TRUE(f.link().session().LinkActive());
        EXPECT_EQ(f.get("OBLogin", "UserFullName"), "Chris Calibrator");
    }
    EXPECT_EQ(dialogUser, db->user());
    EXPECT_EQ(dialogPassword, "");
    EXPECT_EQ(dialogMessage, "The specified login credentials failed - enter valid credentials and make sure "
                             "database server is running");
    EXPECT_FALSE(dialogDetails.empty());
    const std::string log = f.logText();
    EXPECT_NE(log.find("\nLogin error: "), std::string::npos);
    EXPECT_NE(log.find("\nLogin failed - resetting password\n"), std::string::npos);
    EXPECT_EQ(log.find(wrongPassword), std::string::npos) << "no password ever reaches the log";
}

TEST_P(Session, cancelInTheDialogResetsAndReports)
{
    LinkFixture f;
    f.start();
    f.setNexova("database", "DB_login", db->dbLogin());
    // No stored credentials: the dialog opens at once; the operator cancels.
    EXPECT_EQ(f.act("/OBLOGIN"), "Login cancelled - the interface to the ORBISTA database is not enabled");
    EXPECT_EQ(f.windows->loginDialogsShown, 1);
    EXPECT_EQ(f.get("OBLogin", "Login"), "False");
    EXPECT_EQ(f.get("OBLogin", "UserLevel"), "-1");
    EXPECT_TRUE(f.logHas("Setting login flag (False)"));
}

TEST_P(Session, withoutADisplayTheDialogCountsAsCancel)
{
    LinkFixture f;
    f.windows->operatorDisplay = false;
    f.start();
    f.setNexova("database", "DB_login", db->dbLogin());
    EXPECT_EQ(f.act("/OBLOGIN"), "Login cancelled - the interface to the ORBISTA database is not enabled");
    EXPECT_EQ(f.windows->loginDialogsShown, 0);
    EXPECT_TRUE(f.logHas("No operator display is available - the login dialog is answered as Cancel"));
}

// Passwords reach neither the log nor the dialog's reason unhidden; an empty
// one is shown as empty, since it is why the dialog opens.
TEST_P(Session, passwordsOfTheDataSourceAndTheLoginAreMasked)
{
    LinkFixture f;
    f.start();
    // The SQLite driver ignores passwords; PostgreSQL would refuse a second one.
    const std::string dsnSecrets =
        GetParam() == Engine::SQLite ? ";PWD=topsecret;Password={a;b}}c};pWd = spaced " : "";
    f.setNexova("database", "DB_login", db->dbLogin() + dsnSecrets);
    f.set("OBLogin", "LoginUserName", db->user());
    f.set("OBLogin", "LoginPassword", "");
    f.windows->loginScripts.push_back([&](LoginDialog& d, const std::string&) { d.sPassword = db->password(); });
    ASSERT_EQ(f.act("/OBLOGIN"), "");
    EXPECT_EQ(f.windows->loginDialogsShown, 1);
    EXPECT_TRUE(f.logHas("Login password: "));
    const std::string log = f.logText();
    for (const std::string& secret : {std::string("topsecret"), std::string("a;b}"), std::string("spaced"),
                                      "pwd=" + db->password() + ";"}) {
        EXPECT_EQ(log.find(secret), std::string::npos) << secret << "\n" << log;
    }
    if (GetParam() == Engine::SQLite) {
        EXPECT_TRUE(f.logHas("Dsn name: " + db->dbLogin() + ";PWD=********;Password=********;pWd = ******** "));
    }
}

// A password with ";", braces or outer blanks logs in as itself, and a user
// name or password cannot add an item to the connection text. (The PostgreSQL
// driver takes braces off a password, not off a user name; the servers' test
// accounts get plain names.)
TEST_P(Session, credentialsWithSeparatorsLogInAsThemselves)
{
    LinkFixture f;
    f.start();
    // MariaDB's driver trims blanks even inside braces, so it gets none.
    const std::string password = GetParam() == Engine::MariaDB ? "p;w}d{=x" : " p;w}d{=x ";
    std::string user = "x;Database=" + f.dir.file("other.db");
    // The servers keep their own accounts: a plain name with the odd password.
    const std::string mariaUser = "'odd_ob'@'127.0.0.1'";
    if (GetParam() == Engine::PostgreSQL) {
        user = "odd_" + db->database();
        db->exec("CREATE ROLE " + user + " LOGIN PASSWORD " + odbc::quoteLiteral(password));
        db->exec("GRANT USAGE ON SCHEMA ob TO " + user);
        db->exec("GRANT SELECT ON ob.UserList TO " + user);
    } else if (GetParam() == Engine::MariaDB) {
        user = "odd_ob";
        db->exec("DROP USER IF EXISTS " + mariaUser);
        db->exec("CREATE USER " + mariaUser + " IDENTIFIED BY " + odbc::quoteLiteral(password));
        db->exec("GRANT SELECT ON ob.UserList TO " + mariaUser);
    }
    db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(user) +
             ", 2, 'Odd Name')");
    EXPECT_EQ(f.login(db->dbLogin(), user, password), "") << f.logText();
    EXPECT_TRUE(f.link().session().LinkActive());
    EXPECT_EQ(f.get("OBLogin", "UserFullName"), "Odd Name");
    EXPECT_EQ(f.windows->loginDialogsShown, 0);
    EXPECT_FALSE(f.dir.exists("other.db"));
    EXPECT_EQ(f.logText().find("p;w}"), std::string::npos);
    f.act("/OBLOGOUT");
    if (GetParam() == Engine::PostgreSQL) {
        db->exec("REVOKE ALL ON ob.UserList FROM " + user);
        db->exec("REVOKE ALL ON SCHEMA ob FROM " + user);
        db->exec("DROP ROLE " + user);
    } else if (GetParam() == Engine::MariaDB) {
        db->exec("DROP USER " + mariaUser);
    }
}

TEST_P(Session, userRowsWithNullsKeepWhatWasSetBefore)
{
    db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('nolevel', NULL, 'No Level')");
    db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('noname', 7, NULL)");
    db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('o''brien', 2, 'Pat O''Brien')");
    LinkFixture f;
    f.start();
    f.setNexova("database", "DB_login", db->dbLogin());
    f.set("OBLogin", "LoginPassword", db->password());

    f.set("OBLogin", "LoginUserName", db->user());
    ASSERT_EQ(f.act("/OBLOGIN"), "");
    // GetUserInfo does not clear before it reads: call it on the open session.
    f.link().session().user().GetUserInfo(&f.link().session().connection(), "noname");
    EXPECT_EQ(f.link().session().user().UserLevel(), 7);
    EXPECT_EQ(f.link().session().user().UserID(), "noname");
    EXPECT_EQ(f.link().session().user().UserFullName(), "Chris Calibrator");
    EXPECT_EQ(f.get("General", "Error"), "Could not get user info due to the following error: 94 - Invalid use of Null");
    EXPECT_EQ(f.get("OBLogin", "UserLevel"), "7");

    f.link().session().user().GetUserInfo(&f.link().session().connection(), "nolevel");
    EXPECT_EQ(f.link().session().user().UserLevel(), 7);
    EXPECT_EQ(f.link().session().user().UserID(), "noname");

    f.link().session().user().GetUserInfo(&f.link().session().connection(), "o'brien");
    EXPECT_EQ(f.link().session().user().UserFullName(), "Pat O'Brien") << "a name with an apostrophe is found";

    f.link().session().user().GetUserInfo(&f.link().session().connection(), "nobody");
    EXPECT_EQ(f.link().session().user().UserLevel(), -1);
    EXPECT_EQ(f.link().session().user().UserFullName(), "");
    EXPECT_TRUE(f.logHas("User record NOT found..."));
}

TEST_P(Session, terminateLogsOutFirst)
{
    LinkFixture f;
    f.start();
    ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    f.act("/TERMINATE");
    const auto lines = f.logLines();
    const auto at = [&](const std::string& text) { return std::find(lines.begin(), lines.end(), text) - lines.begin(); };
    EXPECT_LT(at("Logging out..."), at("Logout successful..."));
    EXPECT_LT(at("Logout successful..."), at("Disabling action timer..."));
    EXPECT_EQ(f.get("OBLogin", "Login"), "False");
    EXPECT_TRUE(f.link().Terminated());
}

TEST(SessionWithoutDatabase, logoutWithoutASessionStillResets)
{
    LinkFixture f;
    f.start();
    f.set("OBLogin", "UserID", "stale");
    EXPECT_EQ(f.act("/OBLOGOUT"), "");
    EXPECT_EQ(f.get("OBLogin", "UserID"), "");
    EXPECT_EQ(f.get("OBLogin", "Login"), "False");
    EXPECT_FALSE(f.logHas("Logging out..."));
}

INSTANTIATE_TEST_SUITE_P(Engines, Session, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
