#include <gtest/gtest.h>

#include <string>

#include "platform/Failure.h"
#include "platform/odbc/Connection.h"
#include "support/TestDatabase.h"

namespace ob::odbc {
namespace {

using test::Engine;
using test::TestDatabase;

class TransactionTest : public ::testing::TestWithParam<Engine> {
protected:
    TestDatabase db{GetParam()};
    Connection c;

    void SetUp() override
    {
        c.setConnectionString(db.connectionString());
        c.Open();
        // One calibration with two results and one standard, as a re-sent
        // /CREATECAL finds it.
        db.exec("INSERT INTO ob.Calibration (atag, ctag, CDSRC, C2301, C2333) VALUES ('T1', 'A1:1', 'PY2', "
                "'2026-12-05', '14:03:27')");
        db.exec("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A1:1', 'T1', '1', '10')");
        db.exec("INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas) VALUES ('A1:1', 'T1', '2', '10')");
        db.exec("INSERT INTO ob.Standards (ATAG, CTAG, C2430) VALUES ('T1', 'A1:1', 'S42')");
    }

    long count(const std::string& table, const std::string& ctag)
    {
        auto rows = db.rows("SELECT count(*) FROM ob." + table + " WHERE CTAG='" + ctag + "'");
        return std::stol(rows.at(0).at(0).value());
    }

    // The replacement of a calibration: the three deletions and the insert.
    void replaceRecord()
    {
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
        c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
        c.Execute("INSERT INTO ob.Calibration (atag, ctag, CDSRC, C2301, C2333) VALUES ('T1', 'A1:2', 'PY2', "
                  "'2026-12-05', '14:03:27')");
    }
};

TEST_P(TransactionTest, committedChangesAreSeenByOtherConnections)
{
    {
        Transaction t(c);
        EXPECT_TRUE(c.inTransaction());
        replaceRecord();
        // Inside the transaction this connection sees its own changes.
        EXPECT_EQ(c.Execute("SELECT * FROM ob.Calibration WHERE CTAG='A1:2'").RecordCount(), 1);
        t.commit();
    }
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(count("Results", "A1:1"), 0);
    EXPECT_EQ(count("Standards", "A1:1"), 0);
    EXPECT_EQ(count("Calibration", "A1:1"), 0);
    EXPECT_EQ(count("Calibration", "A1:2"), 1);
}

TEST_P(TransactionTest, aGuardLeftWithoutCommitRollsBack)
{
    {
        Transaction t(c);
        replaceRecord();
    }
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(count("Results", "A1:1"), 2);
    EXPECT_EQ(count("Standards", "A1:1"), 1);
    EXPECT_EQ(count("Calibration", "A1:1"), 1);
    EXPECT_EQ(count("Calibration", "A1:2"), 0);
}

TEST_P(TransactionTest, aFailingInsertLeavesTheOldRecordWhole)
{
    try {
        Transaction t(c);
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
        c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
        c.Execute("INSERT INTO ob.Calibration (atag, ctag, NoSuchColumn) VALUES ('T1', 'A1:2', 'x')");
        t.commit();
        FAIL() << "the insert succeeded";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), Failure::kDatabaseError);
    }
    EXPECT_EQ(count("Results", "A1:1"), 2);
    EXPECT_EQ(count("Standards", "A1:1"), 1);
    EXPECT_EQ(count("Calibration", "A1:1"), 1);
    // Autocommit is back: a plain statement afterwards stays.
    c.Execute("INSERT INTO ob.Standards (ATAG, CTAG, C2430) VALUES ('T1', 'A1:9', 'S43')");
    EXPECT_EQ(count("Standards", "A1:9"), 1);
}

TEST_P(TransactionTest, explicitBeginCommitAndRollback)
{
    c.beginTransaction();
    c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
    c.rollback();
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(count("Standards", "A1:1"), 1);

    c.beginTransaction();
    c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
    c.commit();
    EXPECT_EQ(count("Standards", "A1:1"), 0);

    // Autocommit again after commit.
    c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
    EXPECT_EQ(count("Results", "A1:1"), 0);
}

TEST_P(TransactionTest, aSecondBeginFailsAndCommitWithoutBeginFails)
{
    EXPECT_THROW(c.commit(), Failure);
    c.beginTransaction();
    EXPECT_THROW(c.beginTransaction(), Failure);
    EXPECT_TRUE(c.inTransaction());
    c.rollback();
    c.rollback(); // nothing to roll back: harmless
    EXPECT_FALSE(c.inTransaction());
}

TEST_P(TransactionTest, aNestedGuardRollsBackOnlyItsOwnPart)
{
    {
        Transaction outer(c);
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
        {
            Transaction inner(c);
            c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        } // rolled back to its savepoint
        EXPECT_TRUE(c.inTransaction());
        {
            Transaction inner(c);
            c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(count("Results", "A1:1"), 0);
    EXPECT_EQ(count("Standards", "A1:1"), 1);
    EXPECT_EQ(count("Calibration", "A1:1"), 0);
}

TEST_P(TransactionTest, theOuterRollbackUndoesCommittedInnerGuards)
{
    {
        Transaction outer(c);
        Transaction inner(c);
        c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        inner.commit();
    }
    EXPECT_EQ(count("Standards", "A1:1"), 1);
}

TEST_P(TransactionTest, aNestedGuardRecoversFromAFailedStatement)
{
    {
        Transaction outer(c);
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
        try {
            Transaction inner(c);
            c.Execute("INSERT INTO ob.Standards (ATAG, NoSuchColumn) VALUES ('T1', 'x')");
            inner.commit();
        } catch (const Failure&) {
        }
        // The transaction goes on after the failed part.
        c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        outer.commit();
    }
    EXPECT_EQ(count("Results", "A1:1"), 0);
    EXPECT_EQ(count("Standards", "A1:1"), 0);
}

TEST_P(TransactionTest, closingTheConnectionRollsBack)
{
    c.beginTransaction();
    c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
    c.Close();
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(count("Calibration", "A1:1"), 1);
}

TEST_P(TransactionTest, aGuardOutlivingItsConnectionsCloseIsHarmless)
{
    {
        Transaction t(c);
        c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
        c.Close();
    }
    EXPECT_EQ(count("Calibration", "A1:1"), 1);
}

TEST_P(TransactionTest, otherConnectionsReadWhileNothingIsWritten)
{
    // The program's connection reads inside a transaction while the check
    // connection reads too: neither blocks the other.
    Transaction t(c);
    EXPECT_EQ(c.Execute("SELECT * FROM ob.Calibration").RecordCount(), 1);
    EXPECT_EQ(count("Calibration", "A1:1"), 1);
    t.commit();
}

INSTANTIATE_TEST_SUITE_P(Engines, TransactionTest, ::testing::ValuesIn(TestDatabase::engines()), test::engineName);

} // namespace
} // namespace ob::odbc
