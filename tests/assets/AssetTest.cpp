// The current asset: the instrument, its latest calibration and its
// in-calibration state, written back into [CurrentAsset].
#include <gtest/gtest.h>

#include "assets/AssetRecord.h"
#include "platform/regional/Conversions.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

using regional::makeDate;

TEST(AssetRecord, recalibrationDates)
{
    const std::tuple<regional::DateValue, std::int32_t, std::int32_t, regional::DateValue> cases[] = {
        {makeDate(2024, 1, 31), 1, 2, makeDate(2024, 2, 29)},
        {makeDate(2023, 1, 31), 1, 2, makeDate(2023, 2, 28)},
        {makeDate(2024, 1, 15), 12, 2, makeDate(2025, 1, 15)},
        {makeDate(2024, 3, 10), 2, 1, makeDate(2024, 3, 24)},
        {makeDate(2024, 3, 10) + 0.75, 1, 0, makeDate(2024, 3, 11) + 0.75}, // the time of day carries over
        {makeDate(2024, 3, 10), 0, 2, regional::kZeroDate},
        {makeDate(2024, 3, 10), 5, 3, regional::kZeroDate},
        {makeDate(2024, 3, 10), 5, -1, regional::kZeroDate},
        {regional::kZeroDate, 5, 2, regional::kZeroDate},
    };
    for (const auto& [calDate, interval, units, expected] : cases) {
        AssetRecord a;
        a.Reset();
        std::tie(a.CalDate, a.Interval, a.IntervalUnits) = std::tuple{calDate, interval, units};
        EXPECT_DOUBLE_EQ(a.GetRecalDate(), expected) << calDate << " + " << interval << " unit " << units;
    }
    AssetRecord far;
    std::tie(far.CalDate, far.Interval, far.IntervalUnits) = std::tuple{makeDate(9999, 6, 1), 12, 2};
    EXPECT_THROW(far.GetRecalDate(), Failure);
}

class Assets : public EngineTest {
protected:
    void inventory(const std::string& n, const std::string& model, const std::string& serial, const std::string& unit,
                   const std::string& interval)
    {
        db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4204, I4206, I4228, I4229) VALUES ('T" + n +
                 "', 'A" + n + "', 'Brennhall', " + odbc::quoteLiteral(model) + ", 'PRT 100 ohm', " +
                 odbc::quoteLiteral(serial) + ", " + unit + ", " + interval + ")");
        db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T" + n + "', 'A" + n + "')");
    }
    void calibration(const std::string& n, const std::string& ctag, const std::string& recent, const std::string& due,
                     const std::string& dueTime)
    {
        db->exec("INSERT INTO ob.Calibration (ATAG, CTAG, C2339, C2301, C2333, C2303, C2334) VALUES ('T" + n + "', '" +
                 ctag + "', '" + recent + "', '" + (recent == "1" ? "2026" : "2025") + "-01-15', '09:30:00', " + due +
                 ", " + dueTime + ")");
    }
    static std::string locate(LinkFixture& f, const std::string& model, const std::string& serial)
    {
        f.set("CurrentAsset", "Model", model);
        f.set("CurrentAsset", "Serial", serial);
        f.set("CurrentAsset", "Mfg", "Brennhall");
        return f.act("/LOCASSET");
    }
};

TEST_P(Assets, aFoundAssetIsWrittenWithItsLatestCalibrationAndInCalibrationDependsOnTheDueMoment)
{
    // Another maker's instrument of the same model and serial number comes first and is not this one.
    db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('T0999', 'A0999', 'Altmann', "
             "'PRT-100', 'SN-4711')");
    inventory("1000", "PRT-100", "SN-4711", "'m'", "'12 months'");
    calibration("1000", "A1000:1700000000", "0", "'2025-01-15'", "NULL");
    calibration("1000", "A1000:1736933400", "1", "'2026-12-06'", "NULL");
    for (const auto& [rs, date, time, recal] :
         {std::tuple{regional::RegionalSettings::enUS(), "1/15/2026", "9:30:00 AM", "1/15/2027"},
          std::tuple{regional::RegionalSettings::deDE(), "15.01.2026", "09:30:00", "15.01.2027"}}) {
        auto f = loggedIn(rs);
        EXPECT_EQ(locate(*f, "PRT-100", "SN-4711"), "");
        std::string section = f->dir.read("OB32PYII.INI");
        section = section.substr(section.find("[CurrentAsset]\r\n"));
        EXPECT_EQ(
            section.substr(0, section.find('[', 1)),
            "[CurrentAsset]\r\nAssetNumber=A1000\r\nMfg=Brennhall\r\nDescription=PRT 100 ohm\r\nModel=PRT-100\r\n"
            "Serial=SN-4711\r\nATAG=T1000\r\nCTAG=A1000:1736933400\r\nInterval=12\r\nIntervalUnits=m\r\nCalDate=" +
                std::string(date) + "\r\nCalTime=" + time + "\r\nRecalDate=" + recal + "\r\nInCal=True\r\n");
    }
    // In calibration depends on the due moment, and the interval on its texts.
    const struct {
        const char *due, *dueTime, *inCal, *logLine, *unit, *interval, *expectedInterval, *expectedUnits;
    } cases[] = {
        // the clock stands at 5 December 2026 14:03:27
        {"'2026-12-06'", "NULL", "True", "Current asset cal due: 12/6/2026", "'M'", "'12 months'", "12", "m"},
        {"'2026-12-05'", "NULL", "False", "Current asset cal due: 12/5/2026", "'w'", "'2.5'", "2", "ww"},
        {"'2026-12-05'", "'15:03:27'", "True", "Current asset cal due: 12/5/2026 3:03:27 PM", "'d'", "'3.5'", "4", "d"},
        {"'2026-12-05'", "'13:03:27'", "False", "Current asset cal due: 12/5/2026 1:03:27 PM", "'N'", "NULL", "0", ""},
        {"'2026-12-05'", "'14:03:27'", "False", "Current asset cal due: 12/5/2026 2:03:27 PM", "'N'", "NULL", "0", ""},
        {"NULL", "NULL", "False", "Current asset does not have a due date (calibration is not required)!", "'U'",
         "'abc'", "0", ""},
        {nullptr, nullptr, "False", "", "NULL", "' 7'", "7", ""},
        {nullptr, nullptr, "False", "", "'DAYS'", "'1'", "1", ""},
    };
    auto f = loggedIn();
    int i = 0;
    for (const auto& c : cases) {
        const std::string n = std::to_string(++i);
        inventory(n, "M" + n, "S", c.unit, c.interval);
        if (c.due) {
            calibration(n, "A" + n + ":1", "1", c.due, c.dueTime);
        }
        EXPECT_EQ(locate(*f, "M" + n, "S"), "");
        EXPECT_EQ(f->get("CurrentAsset", "InCal"), c.inCal) << c.due << " " << c.dueTime;
        EXPECT_EQ(f->get("CurrentAsset", "Interval"), c.expectedInterval) << c.interval;
        EXPECT_EQ(f->get("CurrentAsset", "IntervalUnits"), c.expectedUnits) << c.unit;
        EXPECT_TRUE(c.due ? f->logHas(c.logLine) : f->get("CurrentAsset", "RecalDate") == "") << c.logLine;
    }
}

TEST_P(Assets, notFoundNotLoggedInAndNulls)
{
    inventory("1000", "PRT-100", "SN-4711", "'M'", "'12'");
    calibration("1000", "A1000:1", "1", "'2026-12-06'", "NULL");
    db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('T9', NULL, 'Brennhall', 'M9', 'S')");
    LinkFixture f;
    f.start();
    EXPECT_EQ(locate(f, "PRT-100", "SN-4711"), "") << "before any login the section is rewritten from the reset asset";
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "");
    EXPECT_EQ(f.get("CurrentAsset", "Interval"), "0");

    ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    ASSERT_EQ(locate(f, "PRT-100", "SN-4711"), "");
    ASSERT_EQ(f.get("CurrentAsset", "InCal"), "True");
    EXPECT_EQ(locate(f, "PRT-100", "SN-0000"), "");
    EXPECT_EQ(f.get("CurrentAsset", "Serial"), "SN-0000");
    EXPECT_EQ(f.get("CurrentAsset", "InCal"), "False") << "an asset not found is never in calibration";
    // Nothing of the asset found before, or the calibration would be filed under it.
    for (const char* key :
         {"AssetNumber", "Description", "ATAG", "CTAG", "IntervalUnits", "CalDate", "CalTime", "RecalDate"})
        EXPECT_EQ(f.get("CurrentAsset", key), "") << key;
    EXPECT_EQ(f.get("CurrentAsset", "Interval"), "0");
    EXPECT_EQ(locate(f, "M9", "S"), "Could not locate asset due to the following error: 94 - Invalid use of Null");
    EXPECT_EQ(f.get("CurrentAsset", "Model"), "M9") << "the section is not rewritten after a failure";

    ASSERT_EQ(locate(f, "PRT-100", "SN-4711"), "");
    f.act("/OBLOGOUT");
    EXPECT_EQ(locate(f, "PRT-100", "SN-4711"), "");
    EXPECT_EQ(f.get("CurrentAsset", "InCal"), "False");
}

INSTANTIATE_TEST_SUITE_P(Engines, Assets, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
