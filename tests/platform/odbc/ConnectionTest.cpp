#include "../FailureOf.h"
#include "platform/odbc/Connection.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <clocale>

using namespace ob::odbc;
using ob::Failure;
using ob::test::Engine;
using ob::test::failureOf;

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
    std::optional<std::string> roundTrip(const std::string& value)
    {
        c.Execute("DELETE FROM ob.Results");
        c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas, remark) VALUES ('A:1', 'A', '1', '1', " +
                  quoteLiteral(value) + ")");
        Recordset rs = c.Execute("SELECT remark FROM ob.Results WHERE remark=" + quoteLiteral(value));
        const auto rows = db.rows("SELECT remark FROM ob.Results");
        if (rs.RecordCount() != 1 || rows.size() != 1 || rs.Fields("remark").value() != rows[0][0])
            return std::nullopt;
        return rows[0][0];
    }
};

TEST_P(ConnectionTest, opensClosesAndRefusesWhatItsStateForbids)
{
    EXPECT_TRUE(c.State() == 1 && c.ConnectionString() == db.connectionString());
    EXPECT_EQ(c.ConnectionString().rfind("PROVIDER=MSDASQL;", 0), 0u);
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
        EXPECT_NE(f.description().find("(SQLSTATE "), std::string::npos) << f.description();
        EXPECT_NE(f.description().find(GetParam() == Engine::PostgreSQL ? "nosuchtable" : "NoSuchTable"),
                  std::string::npos);
        EXPECT_TRUE(!f.source().empty() && f.source() != "ODBC") << "a failure on an open connection names the driver";
    }
    EXPECT_EQ(failureOf([&] { c.Execute("INSERT INTO ob.Calibration (atag, ctag, C) VALUES ('A', 'A:1', 'x')"); }),
              Failure::kDatabaseError);
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.Calibration"), "0");
}

TEST_P(ConnectionTest, recordsetsGiveRowsFieldsAndNullsAsStored)
{
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('cal', '3', 'Chris')");
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4204) VALUES ('T1', '', NULL)");
    db.exec("INSERT INTO ob.Calibration (ATAG, CTAG, C2301, C2303, C2334) VALUES ('T1', 'A1:5', '2024-01-15', "
            "'2025-01-15', '08:30:00')");
    Recordset rs = c.Execute("SELECT * FROM ob.UserList WHERE obuser='cal'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_TRUE(rs.Fields("oblevel").value() == "3" && rs.Fields("OBUSER").value() == "cal");
    EXPECT_TRUE(rs.Fields("OBLevel").kind() == FieldKind::Number && rs.Fields("Name").kind() == FieldKind::Text);
    std::string text;
    EXPECT_EQ(failureOf([&] { rs.Fields("nosuchcolumn"); }, &text), 3265);
    EXPECT_EQ(text, "Item cannot be found in the collection corresponding to the requested name or ordinal.");
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
}

TEST_P(ConnectionTest, countsRowsAndAffectedRowsExactly)
{
    c.setCursorLocation(CursorLocation::Client);
    long affected = -99;
    c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '1', '10')", &affected);
    EXPECT_EQ(affected, 1);
    for (int i = 0; i < 6; ++i)
        c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '2', '10')");
    Recordset rs = c.Execute("SELECT * FROM ob.Results WHERE CTAG='A:1'");
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
TEST_P(ConnectionTest, valuesRoundTripByteForByte)
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
        for (const auto& value : values)
            EXPECT_TRUE(roundTrip(value) == value) << locale << ": " << value.substr(0, 40) << " (" << value.size() << ")";
    }
    std::setlocale(LC_ALL, previous.c_str());
    if (GetParam() == Engine::MariaDB) {
        const std::string mode = c.Execute("SELECT @@SESSION.sql_mode").Fields(std::size_t{0}).toTextOrEmpty();
        EXPECT_TRUE(mode.find("NO_BACKSLASH_ESCAPES") != mode.npos && mode.find("STRICT_TRANS_TABLES") != mode.npos)
            << "plain literals, and the server's own modes kept: " << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionTest, ::testing::ValuesIn(ob::test::TestDatabase::engines()),
                         ob::test::engineName);
