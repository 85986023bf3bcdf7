#include "../FailureOf.h"
#include "platform/odbc/Connection.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace ob::odbc;
using ob::Failure;
using ob::test::Engine;

// One calibration with two results and one standard, as a re-sent /CREATECAL finds it.
class TransactionTest : public ::testing::TestWithParam<Engine> {
protected:
    ob::test::TestDatabase db{GetParam()};
    Connection c;
    void SetUp() override
    {
        c.setConnectionString(db.connectionString());
        c.Open();
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
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
        c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
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
    EXPECT_EQ(ob::test::failureOf([&] {
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

TEST_P(TransactionTest, aNestedGuardRollsBackOnlyItsOwnPart)
{
    {
        Transaction outer(c);
        c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1' AND row_num=1");
        {
            Transaction inner(c);
            c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        }
        EXPECT_TRUE(c.inTransaction());
        ob::test::failureOf([&] {
            Transaction inner(c);
            c.Execute("INSERT INTO ob.Standards (ATAG, NoSuchColumn) VALUES ('T1', 'x')");
            inner.commit();
        });
        {
            Transaction inner(c);
            c.Execute("DELETE FROM ob.Results WHERE CTAG='A1:1'");
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(counts(), "011");
    {
        Transaction outer(c);
        Transaction inner(c);
        c.Execute("DELETE FROM ob.Standards WHERE CTAG='A1:1'");
        inner.commit();
    }
    EXPECT_EQ(counts(), "011") << "the outer rollback undoes a committed inner guard";
    {
        Transaction t(c);
        EXPECT_EQ(counts(), "011") << "another connection reads while this one holds a transaction";
        c.Execute("DELETE FROM ob.Calibration WHERE CTAG='A1:1'");
        c.Close();
        EXPECT_FALSE(c.inTransaction());
    } // the guard outlives the connection's close, which rolled back
    EXPECT_EQ(counts(), "011");
}

INSTANTIATE_TEST_SUITE_P(Engines, TransactionTest, ::testing::ValuesIn(ob::test::TestDatabase::engines()),
                         ob::test::engineName);
