// The current asset: locating the instrument, its latest calibration and its
// in-calibration state, written back into [CurrentAsset].
#include <gtest/gtest.h>

#include "assets/COBAsset.h"
#include "platform/regional/Conversions.h"
#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

using regional::makeDate;

TEST(COBAsset, recalibrationDates)
{
    const struct {
        regional::DateValue calDate;
        std::int32_t interval;
        std::int32_t units;
        regional::DateValue expected;
    } cases[] = {
        {makeDate(2024, 1, 31), 1, 2, makeDate(2024, 2, 29)},
        {makeDate(2023, 1, 31), 1, 2, makeDate(2023, 2, 28)},
        {makeDate(2024, 1, 15), 12, 2, makeDate(2025, 1, 15)},
        {makeDate(2024, 3, 10), 2, 1, makeDate(2024, 3, 24)},
        {makeDate(2024, 3, 10), 10, 0, makeDate(2024, 3, 20)},
        {makeDate(2024, 3, 10) + 0.75, 1, 0, makeDate(2024, 3, 11) + 0.75}, // the time of day carries over
        {makeDate(2024, 3, 10), 0, 2, regional::kZeroDate},
        {makeDate(2024, 3, 10), 5, 3, regional::kZeroDate},
        {makeDate(2024, 3, 10), 5, 4, regional::kZeroDate},
        {makeDate(2024, 3, 10), 5, -1, regional::kZeroDate},
        {regional::kZeroDate, 5, 2, regional::kZeroDate},
    };
    for (const auto& c : cases) {
        COBAsset a;
        a.Reset();
        a.CalDate = c.calDate;
        a.Interval = c.interval;
        a.IntervalUnits = c.units;
        EXPECT_DOUBLE_EQ(a.GetRecalDate(), c.expected) << c.calDate << " + " << c.interval << " unit " << c.units;
    }
    COBAsset far;
    far.CalDate = makeDate(9999, 6, 1);
    far.Interval = 12;
    far.IntervalUnits = 2;
    EXPECT_THROW(far.GetRecalDate(), Failure);
}

TEST(COBAsset, unitConversions)
{
    const struct {
        const char* letter;
        std::int32_t code;
    } units[] = {{"D", 0}, {"w", 1}, {"m", 2}, {"N", 3}, {"U", 4}, {"", -1}, {" M", -1}, {"MONTHS", -1}, {"X", -1}};
    for (const auto& u : units) {
        EXPECT_EQ(COBAsset::ConvUnitsToOBIU(u.letter), u.code) << u.letter;
    }
    EXPECT_EQ(COBAsset::ConvOBIUToIntervalCode(0), "d");
    EXPECT_EQ(COBAsset::ConvOBIUToIntervalCode(1), "ww");
    EXPECT_EQ(COBAsset::ConvOBIUToIntervalCode(2), "m");
    EXPECT_EQ(COBAsset::ConvOBIUToIntervalCode(3), "");
    EXPECT_EQ(COBAsset::ConvOBIUToIntervalCode(5), "");
    EXPECT_EQ(COBAsset::ConvOBIUToUnits(4), "U");
    EXPECT_EQ(COBAsset::ConvOBIUToUnits(-1), "");
}

// The [CurrentAsset] keys in file order.
std::vector<std::string> currentAssetLines(const LinkFixture& f)
{
    std::vector<std::string> out;
    const std::string content = f.dir.read("OB32PYII.INI");
    const auto start = content.find("[CurrentAsset]\r\n");
    if (start == std::string::npos) {
        return out;
    }
    std::size_t pos = start + 16;
    while (pos < content.size() && content[pos] != '[') {
        const auto end = content.find("\r\n", pos);
        out.push_back(content.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

class Assets : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
                 ", 3, 'Chris')");
    }
    void inventory(const std::string& number, const std::string& atag, const std::string& model,
                   const std::string& serial, const std::string& mfg, const std::string& unit,
                   const std::string& interval)
    {
        db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4204, I4206, I4228, I4229) VALUES (" +
                 odbc::quoteLiteral(atag) + ", " + odbc::quoteLiteral(number) + ", " + odbc::quoteLiteral(mfg) +
                 ", " + odbc::quoteLiteral(model) + ", 'PRT 100 ohm', " + odbc::quoteLiteral(serial) + ", " +
                 unit + ", " + interval + ")");
        db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES (" + odbc::quoteLiteral(atag) + ", " +
                 odbc::quoteLiteral(number) + ")");
    }
    void calibration(const std::string& atag, const std::string& ctag, const std::string& recent,
                     const std::string& calDate, const std::string& calTime, const std::string& due,
                     const std::string& dueTime)
    {
        db->exec("INSERT INTO ob.Calibration (ATAG, CTAG, C2339, C2301, C2333, C2303, C2334) VALUES (" +
                 odbc::quoteLiteral(atag) + ", " + odbc::quoteLiteral(ctag) + ", " + odbc::quoteLiteral(recent) +
                 ", " + calDate + ", " + calTime + ", " + due + ", " + dueTime + ")");
    }
    std::string locate(LinkFixture& f, const std::string& model, const std::string& serial, const std::string& mfg)
    {
        f.set("CurrentAsset", "Model", model);
        f.set("CurrentAsset", "Serial", serial);
        f.set("CurrentAsset", "Mfg", mfg);
        return f.act("/LOCASSET");
    }
    std::unique_ptr<TestDatabase> db;
};

TEST_P(Assets, aFoundAssetIsWrittenWithItsLatestCalibration)
{
    inventory("A1000", "T1000", "PRT-100", "SN-4711", "Brennhall", "'m'", "'12 months'");
    calibration("T1000", "A1000:1700000000", "0", "'2025-01-15'", "'09:30:00'", "'2026-01-15'", "NULL");
    calibration("T1000", "A1000:1736933400", "1", "'2026-01-15'", "'09:30:00'", "'2026-12-06'", "NULL");
    for (const auto& [rs, calDate, calTime, recal] :
         {std::tuple{regional::RegionalSettings::enUS(), "1/15/2026", "9:30:00 AM", "1/15/2027"},
          std::tuple{regional::RegionalSettings::deDE(), "15.01.2026", "09:30:00", "15.01.2027"}}) {
        LinkFixture f(rs);
        f.start();
        ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
        EXPECT_EQ(locate(f, "PRT-100", "SN-4711", "Brennhall"), "");
        const std::vector<std::string> expected{
            "AssetNumber=A1000",       "Mfg=Brennhall",
            "Description=PRT 100 ohm", "Model=PRT-100",
            "Serial=SN-4711",          "ATAG=T1000",
            "CTAG=A1000:1736933400",   "Interval=12",
            "IntervalUnits=m",         std::string("CalDate=") + calDate,
            std::string("CalTime=") + calTime, std::string("RecalDate=") + recal,
            "InCal=True"};
        EXPECT_EQ(currentAssetLines(f), expected);
        EXPECT_TRUE(f.logHas("Locating asset (PRT-100,SN-4711,Brennhall)..."));
        EXPECT_TRUE(f.logHas("Asset: A1000 Model: PRT-100 Serial: SN-4711 Mfg: Brennhall"));
        EXPECT_TRUE(f.logHas("Current asset is in cal!"));
        EXPECT_TRUE(f.logHas("CTAG: 'A1000:1736933400'"));
    }
}

TEST_P(Assets, inCalibrationDependsOnTheDueMoment)
{
    // The clock stands at 5 December 2026 14:03:27.
    const struct {
        const char* due;
        const char* dueTime;
        bool inCal;
        const char* logLine;
    } cases[] = {
        {"'2026-12-06'", "NULL", true, "Current asset cal due: 12/6/2026"},
        {"'2026-12-05'", "NULL", false, "Current asset cal due: 12/5/2026"},
        {"'2026-12-05'", "'15:03:27'", true, "Current asset cal due: 12/5/2026 3:03:27 PM"},
        {"'2026-12-05'", "'13:03:27'", false, "Current asset cal due: 12/5/2026 1:03:27 PM"},
        {"'2026-12-05'", "'14:03:27'", false, "Current asset cal due: 12/5/2026 2:03:27 PM"}, // due this second
        {"NULL", "NULL", false, "Current asset does not have a due date (calibration is not required)!"},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string n = std::to_string(++i);
        inventory("A" + n, "T" + n, "M" + n, "S", "Mfg", "'M'", "'12'");
        calibration("T" + n, "A" + n + ":1", "1", "'2026-01-01'", "'08:00:00'", c.due, c.dueTime);
        LinkFixture f;
        f.start();
        ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
        EXPECT_EQ(locate(f, "M" + n, "S", "Mfg"), "");
        EXPECT_EQ(f.get("CurrentAsset", "InCal"), c.inCal ? "True" : "False") << c.due << " " << c.dueTime;
        EXPECT_TRUE(f.logHas(c.logLine)) << f.logText();
    }
}

TEST_P(Assets, intervalTextsAndUnitLetters)
{
    const struct {
        const char* unit;
        const char* interval;
        const char* expectedInterval;
        const char* expectedUnits;
    } cases[] = {
        {"'M'", "'12 months'", "12", "m"}, {"'w'", "'2.5'", "2", "ww"}, {"'d'", "'3.5'", "4", "d"},
        {"'N'", "NULL", "0", ""},          {"'U'", "'abc'", "0", ""},   {"NULL", "' 7'", "7", ""},
        {"'DAYS'", "'1'", "1", ""},
    };
    int i = 0;
    for (const auto& c : cases) {
        const std::string n = std::to_string(++i);
        inventory("A" + n, "T" + n, "M" + n, "S", "Mfg", c.unit, c.interval);
        LinkFixture f;
        f.start();
        ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
        EXPECT_EQ(locate(f, "M" + n, "S", "Mfg"), "");
        EXPECT_EQ(f.get("CurrentAsset", "Interval"), c.expectedInterval) << c.interval;
        EXPECT_EQ(f.get("CurrentAsset", "IntervalUnits"), c.expectedUnits) << c.unit;
        // No calibration rows at all: nothing to report, no error.
        EXPECT_EQ(f.get("CurrentAsset", "CTAG"), "");
        EXPECT_EQ(f.get("CurrentAsset", "RecalDate"), "");
        EXPECT_EQ(f.get("CurrentAsset", "InCal"), "False");
    }
}

TEST_P(Assets, notFoundAndNotLoggedIn)
{
    inventory("A1000", "T1000", "PRT-100", "SN-4711", "Brennhall", "'M'", "'12'");
    calibration("T1000", "A1000:1", "1", "'2026-01-01'", "'08:00:00'", "'2026-12-06'", "NULL");
    LinkFixture f;
    f.start();
    // Before any login the section is rewritten from the reset asset.
    EXPECT_EQ(locate(f, "PRT-100", "SN-4711", "Brennhall"), "");
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "");
    EXPECT_EQ(f.get("CurrentAsset", "Interval"), "0");

    ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    ASSERT_EQ(locate(f, "PRT-100", "SN-4711", "Brennhall"), "");
    ASSERT_EQ(f.get("CurrentAsset", "InCal"), "True");
    // An asset that was not found, or not looked for, is never in calibration.
    EXPECT_EQ(locate(f, "PRT-100", "SN-0000", "Brennhall"), "");
    EXPECT_TRUE(f.logHas("Asset not found"));
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "PRT-100");
    EXPECT_EQ(f.get("CurrentAsset", "Serial"), "SN-0000");
    EXPECT_EQ(f.get("CurrentAsset", "AssetNumber"), "");
    EXPECT_EQ(f.get("CurrentAsset", "InCal"), "False");
    ASSERT_EQ(locate(f, "PRT-100", "SN-4711", "Brennhall"), "");
    f.act("/OBLOGOUT");
    EXPECT_EQ(locate(f, "PRT-100", "SN-4711", "Brennhall"), "");
    EXPECT_EQ(f.get("CurrentAsset", "InCal"), "False");
}

TEST_P(Assets, quotesInTheGivenTextsAreSearchedForNotExecuted)
{
    inventory("A7", "T7", "PRT-100", "O'Brien 7", "Brennhall", "'M'", "'12'");
    inventory("A8", "T8", "PRT-100", "SN-8", "Brennhall", "'M'", "'12'");
    LinkFixture f;
    f.start();
    ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    EXPECT_EQ(locate(f, "PRT-100", "O'Brien 7", "Brennhall"), "");
    EXPECT_EQ(f.get("CurrentAsset", "AssetNumber"), "A7");
    // A serial that would widen the statement finds nothing.
    EXPECT_EQ(locate(f, "PRT-100", "x' OR '1'='1", "Brennhall"), "");
    EXPECT_EQ(f.get("CurrentAsset", "AssetNumber"), "");
}

TEST_P(Assets, aNullAssetNumberFailsTheLocationAndLeavesTheSection)
{
    db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('T9', NULL, 'Mfg', 'M9', 'S')");
    LinkFixture f;
    f.start();
    ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    EXPECT_EQ(locate(f, "M9", "S", "Mfg"), "Could not locate asset due to the following error: 94 - Invalid use of Null");
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "M9") << "the section is not rewritten after a failure";
    EXPECT_EQ(f.get("General", "Busy"), "False");
}

TEST_P(Assets, getATAG)
{
    inventory("A1000", "T1000", "PRT-100", "SN-4711", "Brennhall", "'M'", "'12'");
    LinkFixture f;
    f.start();
    EXPECT_EQ(f.link().GetATAG("A1000"), "") << "no connection";
    EXPECT_NE(f.logText().find("\nError getting ATAG for asset number 'A1000': "), std::string::npos);
    ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    EXPECT_EQ(f.link().GetATAG("A1000"), "T1000");
    EXPECT_TRUE(f.logHas("ATAG: T1000"));
    EXPECT_EQ(f.link().GetATAG("A9999"), "");
    EXPECT_TRUE(f.logHas("Unable to locate ATAG"));
    EXPECT_EQ(f.get("General", "Error"), "") << "GetATAG reports nothing in Error";
}

INSTANTIATE_TEST_SUITE_P(Engines, Assets, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
