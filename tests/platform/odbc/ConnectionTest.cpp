#include "../FailureOf.h"
#include "platform/Text.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <clocale>
#include <filesystem>

using namespace ob::odbc;
using ob::Failure;
using ob::test::Engine;
using ob::test::failureOf;

TEST(ConnectionString, splitsFindsRemovesAndAddsItemsKeepingTheirText)
{
    auto items = splitConnectionString(";;PROVIDER=MSDASQL;Driver={PostgreSQL Unicode};;pwd={a;b=c}}d}; uid = me ;x=");
    std::string seen;
    for (const auto& item : items)
        seen += item.key + "=" + item.value + "|";
    EXPECT_EQ(seen, "PROVIDER=MSDASQL|Driver=PostgreSQL Unicode|pwd=a;b=c}d|uid=me|x=|");
    EXPECT_EQ(items.at(1).text, "Driver={PostgreSQL Unicode}");
    EXPECT_EQ(findConnectionItem(items, "DRIVER"), &items[1]);
    EXPECT_EQ(findConnectionItem(items, "Database"), nullptr);
    items = splitConnectionString("ORBISTA;DATABASE=a;Driver=SQLite3;database=b;Database = c");
    removeConnectionItems(items, "Database");
    addConnectionItem(items, "Database", ":memory:");
    addConnectionItem(items, "pwd", "a;b}");
    EXPECT_EQ(joinConnectionItems(items), "ORBISTA;Driver=SQLite3;Database=:memory:;pwd={a;b}}};");
    // A user name or password reaches the driver exactly and adds no item.
    for (const std::string value : {"plain", "a;Database=other.db", "{x}", "}", " blank ", "p@ss w0rd", ""}) {
        const std::string text = "uid=" + quoteConnectionValue(value) + ";pwd=" + quoteConnectionValue(value) + ";";
        const auto items = splitConnectionString(text);
        EXPECT_TRUE(items.size() == 2 && items[0].value == value && items[1].value == value) << text;
    }
    EXPECT_EQ(quoteConnectionValue("plain"), "plain");
}

TEST(ConnectionString, logTextHidesEveryPassword)
{
    const struct { const char* text; const char* logged; } cases[] = {
        {"PROVIDER=MSDASQL;DSN=x;uid=a;pwd=s3cret;", "PROVIDER=MSDASQL;DSN=x;uid=a;pwd=********;"},
        {"Driver=PG;PWD=one;uid=a;Pwd = two ;password={x;y}}z};PassWord=three",
         "Driver=PG;PWD=********;uid=a;Pwd = ******** ;password=********;PassWord=********"},
        {"uid=a;pwd=;", "uid=a;pwd=;"}, {"uid=pwd=x;Database=pwd.db;pwdx=1", "uid=pwd=x;Database=pwd.db;pwdx=1"},
        {"pwd={unterminated;uid=a", "pwd=********"}};
    for (const auto& c : cases)
        EXPECT_EQ(maskConnectionPasswords(c.text), c.logged) << c.text;
    // A login's items: the data source as written, then the user name and the
    // password; the log shows that text with each password masked.
    const struct { const char *dataSource, *user, *password; } logins[] = {
        {"", "a", "s3cret"}, {"DSN=x", "a;b", ""}, {";; DSN = x ; ;", " u ", "{p}"}, {"DSN=x;pwd=;", "pwd=y", " "},
        {"Driver={P;G};PWD=one;Password = {t;w}}o} ", "", "x"}, {"uid=pwd=x;Database=pwd.db;pwdx=1", "}", "a;b}"},
        {"Driver=SQLite3;Database={C:\\a b\\x.db};PWD", "{u}", "pwd=z"}, {"  ", "=", "="}};
    for (const auto& c : logins) {
        ConnectionItems items("PROVIDER=MSDASQL;" + std::string(c.dataSource));
        items.add("uid", c.user);
        items.add("pwd", c.password);
        const std::string text = "PROVIDER=MSDASQL;" + std::string(c.dataSource) + ";uid=" +
                                 quoteConnectionValue(c.user) + ";pwd=" + quoteConnectionValue(c.password) + ";";
        EXPECT_EQ(items.text(), text);
        EXPECT_EQ(items.logText(), maskConnectionPasswords(text)) << text;
    }
    // A brace the data source never closes takes no password after it into its value.
    ConnectionItems unclosed("Database={x;uid");
    unclosed.add("pwd", "s3cret");
    EXPECT_EQ(unclosed.logText(), "Database={x;uid;pwd=********;");
}

// "Wait for ever", or no whole number of seconds: the default (else Busy True with no end).
TEST(ConnectionTimeouts, onlyWholeSecondsUpToAnHourAreTaken)
{
    const struct { const char* text; int expected; } cases[] = {
        {"5", 5}, {"1", 1}, {"3600", 3600}, {"", 30}, {"0", 30}, {"-5", 30}, {"3601", 30},
        {"2.5", 30}, {"2,5", 30}, {"5s", 30}, {"abc", 30}, {"99999999999", 30}};
    for (const auto& c : cases)
        EXPECT_EQ(timeoutFromText(c.text, 30), c.expected) << '"' << c.text << '"';
}

// A lab's copy of a driver under a name of its own is known by the DBMS it
// reports: its SQLite file is still attached as "ob".
TEST(ConnectionEngine, aDriverUnderAnotherNameIsKnownByTheDbmsItReports)
{
#if defined(_WIN32)
    GTEST_SKIP() << "the host driver's path means nothing to the Windows driver manager";
#else
    std::filesystem::path driver; // this process's own architecture first: Wine's i386 driver may be there too
    for (const char* dir :
         {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/i386-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc"})
        if (driver.empty() && std::filesystem::exists(std::filesystem::path(dir) / "libsqlite3odbc.so"))
            driver = std::filesystem::path(dir) / "libsqlite3odbc.so";
    if (driver.empty())
        GTEST_SKIP() << "no SQLite ODBC driver library found";
    ob::test::TestDatabase db{Engine::SQLite};
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('cal', '3', 'Chris')");
    const ob::test::TempDir dir;
    const std::string copy = dir.file("lab-driver-copy.so");
    std::filesystem::create_symlink(driver, copy);
    std::string text = db.connectionString();
    text.replace(text.find("Driver=SQLite3"), 14, "Driver=" + copy);
    Connection c;
    c.setConnectionString(text);
    c.Open();
    EXPECT_EQ(c.Execute("SELECT Name FROM ob.UserList WHERE obuser='cal'").Fields("Name").value(), "Chris");
    // Before the driver tells its DBMS, a missing file is refused all the same, not created empty.
    Connection other;
    other.setConnectionString("Driver=" + copy + ";Database=" + dir.file("lab-missing.db"));
    EXPECT_THROW(other.Open(), Failure);
    EXPECT_FALSE(dir.exists("lab-missing.db"));
#endif
}

class ConnectionTest : public ::testing::TestWithParam<Engine> {
protected:
    ob::test::TestDatabase db{GetParam()};
    Connection c;
    void SetUp() override
    {
        c.setConnectionString(db.connectionString());
        c.Open();
    }
    std::string scalar(const std::string& sql) { return db.rows(sql).at(0).at(0).value_or("<null>"); }
};

TEST_P(ConnectionTest, opensClosesRefusesWhatItsStateForbidsAndGivesRowsAsStored)
{
    EXPECT_EQ(c.dbmsName(), ob::test::engineLabel(GetParam()));
    EXPECT_EQ(failureOf([&] { c.Open(); }), 3705);
    c.Close();
    c.Close(); // twice is harmless
    EXPECT_TRUE(c.State() == 0 && c.dbmsName() == "");
    EXPECT_EQ(failureOf([&] { c.Execute("SELECT 1"); }), 3709);
    c.Open();
    try {
        c.Execute("SELECT * FROM ob.NoSuchTable");
        ADD_FAILURE() << "a query of a missing table succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::kDatabaseError);
        EXPECT_NE(f.description().find(GetParam() == Engine::PostgreSQL ? "nosuchtable" : "NoSuchTable"),
                  std::string::npos);
        EXPECT_TRUE(!f.source().empty() && f.source() != "ODBC") << "a failure on an open connection names the driver";
    }
    EXPECT_EQ(failureOf([&] { c.Execute("INSERT INTO ob.Calibration (atag, ctag, C) VALUES ('A', 'A:1', 'x')"); }),
              Failure::kDatabaseError);
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.Calibration"), "0");
    // Rows, fields and nulls as stored, and counts of rows and affected rows.
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('cal', '3', 'Chris')");
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4204) VALUES ('T1', '', NULL)");
    db.exec("INSERT INTO ob.Calibration (ATAG, CTAG, C2301, C2303, C2334) VALUES ('T1', 'A1:5', '2024-01-15', "
            "'2025-01-15', '08:30:00')");
    Recordset rs = c.Execute("SELECT * FROM ob.UserList WHERE obuser='cal'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_TRUE(rs.Fields("oblevel").value() == "3" && rs.Fields("OBUSER").value() == "cal");
    EXPECT_TRUE(rs.Fields("OBLevel").kind() == FieldKind::Number && rs.Fields("Name").kind() == FieldKind::Text);
    EXPECT_EQ(failureOf([&] { rs.Fields("nosuchcolumn"); }), 3265);
    c.Execute("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('sup', '5', 'Sam')");
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.UserList"), "2");
    rs = c.Execute("SELECT ATAG, I4201, I4204, I4229 FROM ob.Inventory");
    EXPECT_TRUE(rs.Fields("I4201").value() == "" && rs.Fields("I4204").toTextOrEmpty() == "");
    EXPECT_TRUE(rs.Fields("I4204").isNull() && rs.Fields("I4229").isNull());
    rs = c.Execute("SELECT * FROM ob.Calibration WHERE C2301='2024-01-15'");
    EXPECT_TRUE(rs.Fields("C2303").kind() == FieldKind::Date && rs.Fields("C2303").value() == "2025-01-15");
    EXPECT_TRUE(rs.Fields("C2334").kind() == FieldKind::Time && rs.Fields("C2334").value() == "08:30:00");
    EXPECT_EQ(rs.Fields("C2301").kind(), FieldKind::Text);
    rs = c.Execute("SELECT * FROM ob.ValField");
    EXPECT_TRUE(rs.RecordCount() == 0 && rs.Eof() && rs.BOF());
    EXPECT_EQ(failureOf([&] { rs.Fields("val"); }), 3021);
    long affected = -99;
    c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '1', '10')", &affected);
    EXPECT_EQ(affected, 1);
    for (int i = 0; i < 6; ++i)
        c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '2', '10')");
    rs = c.Execute("SELECT * FROM ob.Results WHERE CTAG='A:1'");
    int seen = 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        ++seen;
    EXPECT_TRUE(rs.RecordCount() == 7 && seen == 7);
    EXPECT_EQ(c.Execute("SELECT row_num FROM ob.Results WHERE row_num=1").Fields("row_num").value(), "1");
    EXPECT_FALSE(c.Execute("DELETE FROM ob.Results WHERE CTAG='nothing'", &affected).isOpen());
    EXPECT_EQ(affected, 0);
    c.Execute("UPDATE ob.Results SET remark='x' WHERE CTAG='A:1' AND row_num=2", &affected);
    EXPECT_EQ(affected, 6);
}

// Also where the server reads a backslash as an escape, and under the locale the Qt program sets.
TEST_P(ConnectionTest, valuesRoundTripByteForByteAndOneTheColumnCannotHoldIsNeverStoredChanged)
{
    if (GetParam() == Engine::PostgreSQL)
        db.exec("ALTER DATABASE " + db.database() + " SET standard_conforming_strings = off");
    std::vector<std::string> values = {"O'Brien", "Folder C:\\data\\", "\\', user(), 1) #", "\\0\\n\\Z\\%\\_", "",
                                       "  two\r\nlines\t ", "Grüße ±0.1 °C 日本語"};
#if !defined(_WIN32) // under Wine unixODBC splits a character beyond U+FFFF for the host's SQLite driver
    values.push_back("emoji \xF0\x9F\x8C\xA1");
#endif
    for (std::size_t n : {8191u, 8192u, 8193u, 16384u, 65536u}) // the read chunk's size and around it
        values.push_back(std::string(n - 3, 'x') + "ä'");
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (std::setlocale(LC_ALL, locale) == nullptr)
            continue;
        c.Close();
        c.Open();
        for (const auto& value : values) {
            c.Execute("DELETE FROM ob.Results");
            c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas, remark) VALUES ('A:1', 'A', '1', '1', " +
                      quoteLiteral(value) + ")");
            Recordset rs = c.Execute("SELECT remark FROM ob.Results WHERE remark=" + quoteLiteral(value));
            const auto rows = db.rows("SELECT remark FROM ob.Results");
            EXPECT_TRUE(rs.RecordCount() == 1 && rs.Fields("remark").value() == value && rows.size() == 1 &&
                        rows[0][0] == value)
                << locale << ": " << value.substr(0, 40) << " (" << value.size() << ")";
        }
    }
    std::setlocale(LC_ALL, previous.c_str());
    // A value its column cannot hold fails the statement, never stored changed (a
    // server without strict mode would store 0).
    for (const std::string value : {"x", "12abc"}) {
        c.Execute("DELETE FROM ob.Results");
        const long failure = failureOf([&] {
            c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', " +
                      quoteLiteral(value) + ", '1')");
        });
        const auto rows = db.rows("SELECT row_num FROM ob.Results");
        EXPECT_TRUE(failure != 0 ? rows.empty() : rows.size() == 1 && rows[0][0] == value) << value;
    }
    if (GetParam() == Engine::MariaDB) { // plain literals, and every mode of the server's own kept
        const auto mode = [&](const std::string& scope) {
            return c.Execute("SELECT @@" + scope + ".sql_mode").Fields(std::size_t{0}).toTextOrEmpty();
        };
        const std::string session = "," + mode("SESSION") + ",";
        for (const std::string& own : ob::text::split(mode("GLOBAL") + ",NO_BACKSLASH_ESCAPES", ','))
            EXPECT_TRUE(own.empty() || session.find("," + own + ",") != std::string::npos) << own << ": " << session;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionTest, ::testing::ValuesIn(ob::test::TestDatabase::engines()),
                         ob::test::engineName);

// One calibration with two results and one standard, as a re-sent /CREATECAL finds it.
class TransactionTest : public ConnectionTest {
protected:
    void SetUp() override
    {
        ConnectionTest::SetUp();
        for (const char* row : {"Calibration (atag, ctag, CDSRC) VALUES ('T1', 'A1:1', 'PY2'",
                                "Results (CTAG, ATAG, row_num, num_meas) VALUES ('A1:1', 'T1', '1', '10'",
                                "Results (CTAG, ATAG, row_num, num_meas) VALUES ('A1:1', 'T1', '2', '10'",
                                "Standards (ATAG, CTAG, C2430) VALUES ('T1', 'A1:1', 'S42'"})
            db.exec(std::string("INSERT INTO ob.") + row + ")");
    }
    std::string counts(const std::string& ctag = "A1:1")
    {
        std::string out;
        for (const std::string table : {"Results", "Standards", "Calibration"})
            out += db.rows("SELECT count(*) FROM ob." + table + " WHERE CTAG='" + ctag + "'").at(0).at(0).value_or("?");
        return out;
    }
    void replaceRecord(const std::string& insertColumn = "CDSRC")
    {
        for (const std::string table : {"Results", "Standards", "Calibration"})
            c.Execute("DELETE FROM ob." + table + " WHERE CTAG='A1:1'");
        c.Execute("INSERT INTO ob.Calibration (atag, ctag, " + insertColumn + ") VALUES ('T1', 'A1:2', 'PY2')");
    }
};

TEST_P(TransactionTest, aGuardCommitsOrRollsBackTheWholeReplacement)
{
    {
        Transaction t(c);
        replaceRecord();
    }
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(counts() + counts("A1:2"), "211000");
    EXPECT_EQ(failureOf([&] {
                  Transaction t(c);
                  replaceRecord("NoSuchColumn");
                  t.commit();
              }),
              Failure::kDatabaseError);
    EXPECT_EQ(counts(), "211");
    {
        Transaction t(c);
        EXPECT_TRUE(c.inTransaction());
        replaceRecord();
        EXPECT_EQ(c.Execute("SELECT * FROM ob.Calibration WHERE CTAG='A1:2'").RecordCount(), 1);
        t.commit();
    }
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(counts() + counts("A1:2"), "000001");
    // Autocommit is back: a plain statement afterwards stays.
    c.Execute("INSERT INTO ob.Standards (ATAG, CTAG, C2430) VALUES ('T1', 'A1:9', 'S43')");
    EXPECT_EQ(counts("A1:9"), "010");
}

TEST_P(TransactionTest, aNestedGuardCommitsOnlyWithTheWhole)
{
    {
        Transaction outer(c);
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1' AND row_num=1");
        {
            Transaction inner(c);
            c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
            inner.commit();
        }
        EXPECT_TRUE(c.inTransaction());
        outer.commit();
    }
    EXPECT_EQ(counts(), "101");
    {
        Transaction outer(c);
        Transaction inner(c);
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
        inner.commit();
    }
    EXPECT_EQ(counts(), "101") << "the outer rollback undoes a committed inner guard";
    EXPECT_EQ(failureOf([&] {
                  Transaction outer(c);
                  c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
                  failureOf([&] {
                      Transaction inner(c);
                      c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
                      c.Execute("INSERT INTO ob.Standards (ATAG, NoSuchColumn) VALUES ('T1', 'x')");
                      inner.commit();
                  });
                  outer.commit();
              }),
              Failure::kDatabaseError)
        << "a part that failed is never committed with the rest";
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(counts(), "101");
    {
        Transaction t(c);
        EXPECT_EQ(counts(), "101") << "another connection reads while this one holds a transaction";
        c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
        c.Close();
        EXPECT_FALSE(c.inTransaction());
    } // the guard outlives the connection's close, which rolled back
    EXPECT_EQ(counts(), "101");
}

INSTANTIATE_TEST_SUITE_P(Engines, TransactionTest, ::testing::ValuesIn(ob::test::TestDatabase::engines()),
                         ob::test::engineName);
