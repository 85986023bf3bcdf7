#include "platform/Failure.h"
#include "platform/odbc/Connection.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

namespace ob::odbc {
namespace {

using test::Engine;
using test::TestDatabase;

long failureOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Failure& failure) {
        return failure.number();
    }
    return 0;
}

class ConnectionTest : public ::testing::TestWithParam<Engine> {
protected:
    TestDatabase db{GetParam()};
    Connection c;

    void SetUp() override
    {
        c.setConnectionString(db.connectionString());
        c.Open();
    }

    std::string scalar(const std::string& sql) { return db.rows(sql).at(0).at(0).value_or("<null>"); }

    // Stores `value` through a literal, finds it by the same literal, and reads it on another connection.
    std::optional<std::string> roundTrip(const std::string& value)
    {
        c.Execute("DELETE FROM ob.Results");
        c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas, remark) VALUES ('A:1', 'A', '1', '1', " +
                  quoteLiteral(value) + ")");
        Recordset rs = c.Execute("SELECT remark FROM ob.Results WHERE remark=" + quoteLiteral(value));
        EXPECT_EQ(rs.RecordCount(), 1);
        const auto rows = db.rows("SELECT remark FROM ob.Results");
        if (rs.RecordCount() != 1 || rows.size() != 1)
            return std::nullopt;
        EXPECT_TRUE(rs.Fields("remark").value() == rows[0][0]);
        return rows[0][0];
    }
};

TEST_P(ConnectionTest, opensClosesAndRefusesWhatItsStateForbids)
{
    EXPECT_EQ(c.State(), 1);
    EXPECT_EQ(c.ConnectionString(), db.connectionString());
    EXPECT_EQ(c.ConnectionString().rfind("PROVIDER=MSDASQL;", 0), 0u);
    EXPECT_EQ(c.dbmsName(), test::engineLabel(GetParam()));
    EXPECT_EQ(failureOf([&] { c.Open(); }), 3705);
    EXPECT_EQ(c.State(), 1);
    c.Close();
    c.Close(); // twice is harmless
    EXPECT_EQ(c.State(), 0);
    EXPECT_EQ(c.dbmsName(), "");
    EXPECT_EQ(failureOf([&] { c.Execute("SELECT 1"); }), 3709);
    c.Open();
    EXPECT_EQ(c.State(), 1);
    EXPECT_EQ(c.Execute("SELECT * FROM ob.UserList").RecordCount(), 0);
}

TEST_P(ConnectionTest, recordsetsGiveRowsFieldsAndNullsAsStored)
{
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('cal', '3', 'Chris')");
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4204) VALUES ('T1', '', NULL)");
    Recordset rs = c.Execute("SELECT * FROM ob.UserList WHERE obuser='cal'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("oblevel").value(), "3");
    EXPECT_EQ(rs.Fields("OBUSER").value(), "cal");
    EXPECT_EQ(rs.Fields("OBLevel").kind(), FieldKind::Number);
    EXPECT_EQ(rs.Fields("Name").kind(), FieldKind::Text);
    try {
        rs.Fields("nosuchcolumn");
        ADD_FAILURE() << "an unknown column was found";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 3265);
        EXPECT_EQ(f.description(),
                  "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    }
    // Rows written by the program are in the database itself.
    c.Execute("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('sup', '5', 'Sam')");
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.UserList"), "2");

    rs = c.Execute("SELECT ATAG, I4201, I4204, I4229 FROM ob.Inventory");
    EXPECT_FALSE(rs.Fields("I4201").isNull());
    EXPECT_EQ(rs.Fields("I4201").value(), "");
    EXPECT_TRUE(rs.Fields("I4204").isNull());
    EXPECT_TRUE(rs.Fields("I4229").isNull());
    EXPECT_EQ(rs.Fields("I4204").toTextOrEmpty(), "");

    rs = c.Execute("SELECT * FROM ob.ValField");
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof() && rs.BOF());
    EXPECT_EQ(failureOf([&] { rs.Fields("val"); }), 3021);

    c.Execute("INSERT INTO ob.XE2_Customiz (Fldnum, title, datacol, fform, Ireq, Desktop, maxlen) VALUES "
              "('2400', 'Title', 'C2400', '8', 'Y', 'default', '20')");
    rs = c.Execute("SELECT * FROM ob.XE2_Customiz WHERE fform='8' AND ireq='Y' AND Desktop='default';");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.FieldCount(), 34u);
    EXPECT_EQ(rs.Fields("DataCol").value(), "C2400");
    EXPECT_EQ(rs.Fields("MemoFieldSize").value(), std::nullopt);
}

TEST_P(ConnectionTest, countsRowsAndAffectedRowsExactly)
{
    c.setCursorLocation(CursorLocation::Client);
    long affected = -99;
    c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas, expv) VALUES ('A:1', 'A', '1', '10', '')",
              &affected);
    EXPECT_EQ(affected, 1);
    for (int i = 0; i < 6; ++i)
        c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '2', '10')");
    Recordset rs = c.Execute("SELECT * FROM ob.Results WHERE CTAG='A:1'");
    EXPECT_EQ(rs.RecordCount(), 7);
    EXPECT_FALSE(rs.Eof() || rs.BOF());
    int seen = 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        ++seen;
    EXPECT_EQ(seen, 7);
    rs = c.Execute("SELECT row_num, expv FROM ob.Results WHERE row_num=1");
    EXPECT_EQ(rs.Fields("row_num").value(), "1"); // a quoted number fills an integer column
    EXPECT_EQ(rs.Fields("row_num").kind(), FieldKind::Number);
    EXPECT_EQ(rs.Fields("expv").value(), "");

    Recordset none = c.Execute("DELETE FROM ob.Results WHERE CTAG='nothing'", &affected);
    EXPECT_EQ(affected, 0);
    EXPECT_FALSE(none.isOpen());
    EXPECT_EQ(none.RecordCount(), -1);
    c.Execute("UPDATE ob.Results SET remark='x' WHERE CTAG='A:1' AND row_num=2", &affected);
    EXPECT_EQ(affected, 6);
    c.Execute("DELETE FROM ob.Results WHERE CTAG='A:1'", &affected);
    EXPECT_EQ(affected, 7);
}

TEST_P(ConnectionTest, failuresCarryTheDiagnosticsAndLeaveTheConnectionUsable)
{
    try {
        c.Execute("SELECT * FROM ob.NoSuchTable");
        ADD_FAILURE() << "a query of a missing table succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::kDatabaseError);
        EXPECT_NE(f.description().find("(SQLSTATE "), std::string::npos) << f.description();
        EXPECT_NE(f.description().find(GetParam() == Engine::PostgreSQL ? "nosuchtable" : "NoSuchTable"),
                  std::string::npos);
        EXPECT_NE(f.source(), "ODBC") << "a failure on an open connection names the driver";
        EXPECT_FALSE(f.source().empty());
    }
    EXPECT_EQ(failureOf([&] { c.Execute("INSERT INTO ob.Calibration (atag, ctag, C) VALUES ('A', 'A:1', 'x')"); }),
              Failure::kDatabaseError);
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.Calibration"), "0");
}

TEST_P(ConnectionTest, datesAndTimesComeBackAsStoredAndMatchAsText)
{
    c.Execute("INSERT INTO ob.Calibration (ATAG, CTAG, C2339, C2301, C2333, C2303, C2334) "
              "VALUES ('T1', 'A1:5', '1', '2024-01-15', '14:03:27', '2025-01-15', '08:30:00')");
    c.Execute("INSERT INTO ob.Calibration (atag, ctag, C2301, C2333) VALUES ('T1', 'A7:60', 'tomorrow', '')");
    Recordset rs = c.Execute("SELECT * FROM ob.Calibration WHERE ATAG='T1' AND C2339='1'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("C2303").kind(), FieldKind::Date);
    EXPECT_EQ(rs.Fields("C2303").value(), "2025-01-15");
    EXPECT_EQ(rs.Fields("C2334").kind(), FieldKind::Time);
    EXPECT_EQ(rs.Fields("C2334").value(), "08:30:00");
    EXPECT_EQ(rs.Fields("C2301").kind(), FieldKind::Text);
    EXPECT_EQ(rs.Fields("C2333").value(), "14:03:27");
    EXPECT_EQ(c.Execute("SELECT * FROM ob.Calibration WHERE ATAG='T1' AND C2301='2024-01-15' AND C2333='14:03:27';")
                  .RecordCount(),
              1);
    rs = c.Execute("SELECT * FROM ob.Calibration WHERE ATAG='T1' AND C2301='tomorrow' AND C2333='';");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("CTAG").value(), "A7:60");
}

// Values travel as bytes, whatever their length or characters, also where the
// server reads a backslash as an escape (MariaDB's default sql_mode,
// PostgreSQL with standard_conforming_strings off).
TEST_P(ConnectionTest, valuesRoundTripByteForByte)
{
    if (GetParam() == Engine::PostgreSQL) {
        db.exec("ALTER DATABASE " + db.database() + " SET standard_conforming_strings = off");
        c.Close();
        c.Open();
    }
    std::vector<std::string> values = {"O'Brien", "''", "' OR '1'='1", "a'; DELETE FROM ob.Results; --",
                                       "It's C:\\temp\\new", "Folder C:\\data\\",
                                       "\\', user(), version(), 1, 2, 3, 4, 5) #", "\\", "\\'", "100%_done",
                                       "\\0\\n\\Z\\%\\_", "", "  two\r\nlines\t ", "Grüße aus München", "23,5 °C",
                                       "Ωmega µΩ ±0.1 K", "日本語のテキスト"};
#if !defined(_WIN32) // under Wine unixODBC splits a character beyond U+FFFF for the host's SQLite driver
    values.push_back("emoji \xF0\x9F\x8C\xA1");
#endif
    for (std::size_t n : {8191u, 8192u, 8193u, 16384u}) { // the read chunk's size and around it
        values.emplace_back(n, 'x');
        values.back().back() = 'y';
    }
    std::string big;
    for (int i = 0; big.size() < 64 * 1024; ++i)
        big += "point " + std::to_string(i) + " ä'ö; ";
    big.resize(64 * 1024);
    while ((static_cast<unsigned char>(big.back()) & 0xC0) == 0xC0) // no half character at the end
        big.pop_back();
    values.push_back(big);
    for (const auto& value : values)
        EXPECT_TRUE(roundTrip(value) == value) << value.substr(0, 40) << " (" << value.size() << " bytes)";
    if (GetParam() == Engine::MariaDB) {
        const std::string mode = c.Execute("SELECT @@SESSION.sql_mode").Fields(std::size_t{0}).toTextOrEmpty();
        EXPECT_NE(mode.find("NO_BACKSLASH_ESCAPES"), std::string::npos) << mode;
        EXPECT_NE(mode.find("STRICT_TRANS_TABLES"), std::string::npos) << "the server's own modes stay: " << mode;
    }
}

// The Qt program switches the C library to the user's locale; the bytes must not depend on it.
TEST_P(ConnectionTest, valuesRoundTripUnderAUtf8Locale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr)
        GTEST_SKIP() << "no C.UTF-8 locale";
    std::string longText;
    while (longText.size() < 20000)
        longText += "Grüße µΩ 日本 ";
    EXPECT_TRUE(roundTrip(longText) == longText);
    c.Close();
    c.Open();
    EXPECT_TRUE(roundTrip("Ωmega µΩ ±0.1 K") == "Ωmega µΩ ±0.1 K");
    std::setlocale(LC_ALL, previous.c_str());
}

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionTest, ::testing::ValuesIn(TestDatabase::engines()), test::engineName);

} // namespace
} // namespace ob::odbc
