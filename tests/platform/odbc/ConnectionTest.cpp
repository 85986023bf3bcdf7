#include "platform/odbc/Connection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/Failure.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::odbc {
namespace {

using test::Engine;
using test::TestDatabase;

class ConnectionTest : public ::testing::TestWithParam<Engine> {
protected:
    TestDatabase db{GetParam()};

    bool isPostgres() const { return GetParam() == Engine::PostgreSQL; }

    // A second connection as the program opens it.
    void openProgramConnection(Connection& c)
    {
        c.setConnectionString(db.connectionString());
        c.Open();
    }

    std::string scalar(const std::string& sql)
    {
        auto rows = db.rows(sql);
        if (rows.empty() || rows[0].empty() || !rows[0][0]) {
            return "<none>";
        }
        return *rows[0][0];
    }
};

TEST_P(ConnectionTest, opensWithTheProgramsConnectionStringAndCloses)
{
    Connection c;
    EXPECT_EQ(c.State(), 0);
    EXPECT_EQ(c.dbmsName(), "");
    openProgramConnection(c);
    EXPECT_EQ(c.State(), 1);
    EXPECT_EQ(c.ConnectionString(), db.connectionString()) << "the string set is the string read back";
    EXPECT_EQ(c.ConnectionString().rfind("PROVIDER=MSDASQL;", 0), 0u);
    EXPECT_EQ(c.dbmsName(), test::engineLabel(GetParam()));
    c.Close();
    EXPECT_EQ(c.State(), 0);
    EXPECT_EQ(c.dbmsName(), "");
    c.Close(); // twice is harmless
    EXPECT_EQ(c.State(), 0);
}

TEST_P(ConnectionTest, canBeOpenedAgainAfterClose)
{
    Connection c;
    openProgramConnection(c);
    c.Close();
    c.Open();
    EXPECT_EQ(c.State(), 1);
    EXPECT_EQ(c.Execute("SELECT * FROM ob.UserList").RecordCount(), 0);
}

TEST_P(ConnectionTest, openingAnOpenConnectionFails)
{
    Connection c;
    openProgramConnection(c);
    try {
        c.Open();
        FAIL() << "Open on an open connection succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 3705);
    }
    EXPECT_EQ(c.State(), 1);
}

TEST_P(ConnectionTest, executeOnAClosedConnectionFails)
{
    Connection c;
    try {
        c.Execute("SELECT 1");
        FAIL() << "Execute on a closed connection succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 3709);
    }
}

TEST_P(ConnectionTest, obPrefixNamesTheDatabaseTables)
{
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('cal', '3', 'Chris')");
    Connection c;
    openProgramConnection(c);
    Recordset rs = c.Execute("SELECT * FROM ob.UserList WHERE obuser='cal'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("Name").value(), "Chris");
    // The rows are in the database itself, not in a copy of the connection.
    c.Execute("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('sup', '5', 'Sam')");
    c.Close();
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.UserList"), "2");
}

TEST_P(ConnectionTest, recordCountIsExact)
{
    Connection c;
    openProgramConnection(c);
    c.setCursorLocation(CursorLocation::Client);
    EXPECT_EQ(c.cursorLocation(), CursorLocation::Client);
    EXPECT_EQ(c.Execute("SELECT * FROM ob.Standards").RecordCount(), 0);
    for (int i = 0; i < 7; ++i) {
        c.Execute("INSERT INTO ob.Standards (ATAG, CTAG, C2430) VALUES ('A', 'A:1', 'S')");
    }
    Recordset rs = c.Execute("SELECT * FROM ob.Standards WHERE CTAG='A:1'");
    EXPECT_EQ(rs.RecordCount(), 7);
    EXPECT_FALSE(rs.Eof());
    EXPECT_FALSE(rs.BOF());
    int seen = 0;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        ++seen;
    }
    EXPECT_EQ(seen, 7);
    EXPECT_EQ(rs.RecordCount(), 7);
}

TEST_P(ConnectionTest, nullsAreExplicitAndEmptyTextIsNotNull)
{
    db.exec("INSERT INTO ob.Inventory (ATAG, I4201, I4204) VALUES ('T1', '', NULL)");
    Connection c;
    openProgramConnection(c);
    Recordset rs = c.Execute("SELECT ATAG, I4201, I4204, I4229 FROM ob.Inventory");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_FALSE(rs.Fields("I4201").isNull());
    EXPECT_EQ(rs.Fields("I4201").value(), "");
    EXPECT_TRUE(rs.Fields("I4204").isNull());
    EXPECT_TRUE(rs.Fields("I4229").isNull());
    EXPECT_EQ(rs.Fields("I4204").toTextOrEmpty(), "");
    EXPECT_EQ(rs.Fields("ATAG").value(), "T1");
}

TEST_P(ConnectionTest, fieldsAreFoundByNameWithoutRegardToCase)
{
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('cal', '3', 'Chris')");
    Connection c;
    openProgramConnection(c);
    Recordset rs = c.Execute("SELECT * FROM ob.UserList WHERE obuser='cal'");
    EXPECT_EQ(rs.Fields("OBLevel").value(), "3");
    EXPECT_EQ(rs.Fields("oblevel").value(), "3");
    EXPECT_EQ(rs.Fields("OBUSER").value(), "cal");
    EXPECT_EQ(rs.Fields("name").value(), "Chris");
    EXPECT_EQ(rs.Fields("OBLevel").kind(), FieldKind::Number);
    EXPECT_EQ(rs.Fields("Name").kind(), FieldKind::Text);
}

TEST_P(ConnectionTest, aMissingColumnIsItemNotFound)
{
    Connection c;
    openProgramConnection(c);
    c.Execute("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2401', 'A')");
    Recordset rs = c.Execute("SELECT * FROM ob.ValField");
    try {
        rs.Fields("nosuchcolumn");
        FAIL() << "an unknown column was found";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 3265);
        EXPECT_EQ(f.description(),
                  "Item cannot be found in the collection corresponding to the requested name or ordinal.");
    }
}

TEST_P(ConnectionTest, readingPastTheLastRowIsNoCurrentRecord)
{
    Connection c;
    openProgramConnection(c);
    Recordset rs = c.Execute("SELECT * FROM ob.ValField");
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.BOF());
    try {
        rs.Fields("val");
        FAIL() << "a field of no row was read";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), 3021);
    }
}

TEST_P(ConnectionTest, affectedCountsIncludeZero)
{
    Connection c;
    openProgramConnection(c);
    long affected = -99;
    c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '1', '10')", &affected);
    EXPECT_EQ(affected, 1);
    for (int i = 2; i <= 5; ++i) {
        c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A:1', 'A', '2', '10')");
    }
    affected = -99;
    Recordset none = c.Execute("DELETE FROM ob.Results WHERE CTAG='nothing'", &affected);
    EXPECT_EQ(affected, 0);
    EXPECT_FALSE(none.isOpen());
    EXPECT_EQ(none.RecordCount(), -1);
    affected = -99;
    c.Execute("UPDATE ob.Results SET remark='x' WHERE CTAG='A:1' AND row_num=2", &affected);
    EXPECT_EQ(affected, 4);
    affected = -99;
    c.Execute("DELETE FROM ob.Results WHERE CTAG='A:1'", &affected);
    EXPECT_EQ(affected, 5);
}

TEST_P(ConnectionTest, aQuotedNumberFillsAnIntegerColumn)
{
    Connection c;
    openProgramConnection(c);
    c.Execute("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas, expv) VALUES ('A:1', 'A', '3', '10', '')");
    Recordset rs = c.Execute("SELECT row_num, num_meas, expv FROM ob.Results");
    EXPECT_EQ(rs.Fields("row_num").value(), "3");
    EXPECT_EQ(rs.Fields("row_num").kind(), FieldKind::Number);
    EXPECT_EQ(rs.Fields("expv").value(), "");
}

TEST_P(ConnectionTest, failuresCarryTheDiagnosticsWithTheirSqlstate)
{
    Connection c;
    openProgramConnection(c);
    try {
        c.Execute("SELECT * FROM ob.NoSuchTable");
        FAIL() << "a query of a missing table succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::kDatabaseError);
        EXPECT_NE(f.description().find("(SQLSTATE "), std::string::npos) << f.description();
        EXPECT_NE(f.description().find(isPostgres() ? "nosuchtable" : "NoSuchTable"), std::string::npos)
            << f.description();
        EXPECT_FALSE(f.source().empty());
        EXPECT_NE(f.source(), "ODBC") << "a failure on an open connection names the driver";
    }
    // The connection stays usable.
    EXPECT_EQ(c.Execute("SELECT * FROM ob.ValField").RecordCount(), 0);
}

TEST_P(ConnectionTest, aColumnTheTableLacksIsRefused)
{
    Connection c;
    openProgramConnection(c);
    try {
        c.Execute("INSERT INTO ob.Calibration (atag, ctag, C) VALUES ('A', 'A:1', 'x')");
        FAIL() << "an unknown column was accepted";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::kDatabaseError);
        EXPECT_NE(f.description().find("SQLSTATE"), std::string::npos);
    }
    EXPECT_EQ(scalar("SELECT count(*) FROM ob.Calibration"), "0");
}

TEST_P(ConnectionTest, theDueDateAndTimeComeBackAsDateAndTime)
{
    db.exec("INSERT INTO ob.Calibration (ATAG, CTAG, C2339, C2301, C2333, C2303, C2334) "
            "VALUES ('T1', 'A1:5', '1', '2024-01-15', '14:03:27', '2025-01-15', '08:30:00')");
    Connection c;
    openProgramConnection(c);
    Recordset rs = c.Execute("SELECT * FROM ob.Calibration WHERE ATAG='T1' AND C2339='1'");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("C2303").kind(), FieldKind::Date);
    EXPECT_EQ(rs.Fields("C2303").value(), "2025-01-15");
    EXPECT_EQ(rs.Fields("C2334").kind(), FieldKind::Time);
    EXPECT_EQ(rs.Fields("C2334").value(), "08:30:00");
    EXPECT_EQ(rs.Fields("C2301").kind(), FieldKind::Text);
    EXPECT_EQ(rs.Fields("C2301").value(), "2024-01-15");
    EXPECT_EQ(rs.Fields("C2333").value(), "14:03:27");
}

TEST_P(ConnectionTest, theExistenceCheckMatchesTheStoredStartDateAndTime)
{
    Connection c;
    openProgramConnection(c);
    c.Execute("INSERT INTO ob.Calibration (atag, ctag, CDSRC, C2301, C2333) VALUES ('A1000', 'A7:59', 'PY2', "
              "'2026-12-05', '14:03:27')");
    c.Execute("INSERT INTO ob.Calibration (atag, ctag, CDSRC, C2301, C2333) VALUES ('A1000', 'A7:60', 'PY2', "
              "'tomorrow', '')");
    EXPECT_EQ(
        c.Execute("SELECT * FROM ob.Calibration WHERE ATAG='A1000' AND C2301='2026-12-05' AND C2333='14:03:27';")
            .RecordCount(),
        1);
    Recordset rs = c.Execute("SELECT * FROM ob.Calibration WHERE ATAG='A1000' AND C2301='tomorrow' AND C2333='';");
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("CTAG").value(), "A7:60");
}

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionTest, ::testing::ValuesIn(TestDatabase::engines()), test::engineName);

} // namespace
} // namespace ob::odbc
