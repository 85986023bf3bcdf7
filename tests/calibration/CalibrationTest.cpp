// A calibration from /CREATECAL to /FLUSHFULLRES on real databases: the
// summary record, its replacement, standards and full results; before it, the
// current asset: the instrument, its latest calibration and its in-calibration
// state, written back into [CurrentAsset].
#include <gtest/gtest.h>

#include "assets/AssetRecord.h"
#include "platform/regional/Conversions.h"
#include "support/EnvironmentVariable.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

using Row = Rows::value_type;

class Calibration : public EngineTest {
protected:
    void SetUp() override { start(regional::RegionalSettings::enUS()); }
    void start(const regional::RegionalSettings& rs)
    {
        f.reset();
        EngineTest::SetUp();
        db->exec(
            "INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000'), ('T0042', 'A0042'), ('T0043', 'A0043')");
        f = loggedIn(rs);
    }
    // A complete [Calibration] section for asset A1000; the clock's second makes each CTAG new.
    void keys(const std::string& startDate = "12/5/2026", const std::string& startTime = "2:03:27 PM")
    {
        f->set("Calibration",
               {{"AssetNumber", "A1000"}, {"StartDate", startDate}, {"StartTime", startTime}, {"EndTime", "15:10"}});
    }
    std::string ctagNow() const
    {
        return "A1000:" + regional::formatInteger(regional::secondsSince1970(f->clock->value));
    }
    Rows rows(const std::string& sql) const { return db->rows(sql); }
    long count(const std::string& table, const std::string& ctag) const
    {
        return std::stol(*rows("SELECT count(*) FROM ob." + table + " WHERE CTAG=" + odbc::quoteLiteral(ctag))[0][0]);
    }
    // A calibration's rows: its record, standards and results.
    std::vector<long> counts(const std::string& ctag) const
    {
        return {count("Calibration", ctag), count("Standards", ctag), count("Results", ctag)};
    }
    std::unique_ptr<LinkFixture> f;
};

// Two keys or two sections of one name (an operator's edit, say): the peer's profile functions read the
// first, and so does the request, or the calibration would be filed under another asset (ATAG T1000).
TEST_P(Calibration, theRecordFromTheFirstOfTwoKeysWithDefaultMappingAndWithSwitchesAndConversions)
{
    keys();
    f->set("Calibration", {{"TestProcedure", "TP-9"}, {"Comment", "seal ok"}});
    std::string content = f->dir.read("OB32PYII.INI") + "[Calibration]\r\nAssetNumber=A0043\r\n";
    content.insert(content.find("AssetNumber=A1000\r\n") + 19, "assetnumber=A0042\r\n");
    f->dir.write("OB32PYII.INI", content);
    EXPECT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(rows("SELECT ATAG, CTAG, CDSRC, C2301, C2333, C2307, C2311, C2312, C2343, C2363, C2323, C2320, C2329, "
                   "C2341 FROM ob.Calibration"),
              (Rows{{"T1000", ctagNow(), "PY2", "2026-12-05", "14:03:27", db->user(), "0", "", "15:10:00", "N", "I",
                     "TP-9", "seal ok", std::nullopt}}));

    f->clock->value.second = 1;
    f->set("Mapping", {{"AmbTempField", "x"}, {"PassField", "X"}, {"WorkOrderField", "2314"}});
    f->set("Calibration", {{"OrderID", "0815"},
                           {"AmbientHumid", "45.0"},
                           {"EndDate", "12/31/2026"},
                           {"Aborted", "True"},
                           {"Coefficients", "1;2;3"}});
    f->set("CustomCalFields", {{"Field1", "C2400"}, {"Value1", "abc"}, {"Field3", "C2402"}, {"Value3", "never"}});
    EXPECT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(
        rows("SELECT C2311, C2312, C2314, C2342, C2363, C2323, C2341, C2400, C2402 FROM ob.Calibration WHERE CTAG='" +
             ctagNow() + "'"),
        (Rows{{std::nullopt, "45.0", "815", "2026-12-31", "Y", std::nullopt, "1;2;3", "abc", std::nullopt}}))
        << "custom fields stop at the first gap";
}

TEST_P(Calibration, coefficientsSingleSplitAndNumericAndRegionalNumbersAndStartTimes)
{
    const struct {
        const char *field, *coefficients, *numeric;
        Row expected; // C2341, C2344, C2345
    } splits[] = {
        {"C2341;C2344;C2345", "A=1.5E-3; B = 2.0", "False", {"A=1.5E-3", "B = 2.0", std::nullopt}},
        {"C2341;C2344;C2345", "A=1.5E-3; B = 2.0", "True", {"1.5E-3", "2.0", std::nullopt}},
        {"C2341;C2344", "1;2;3", "False", {"1", "2", std::nullopt}},
        {"2341", "1;2;3", "False", {"1;2;3", std::nullopt, std::nullopt}},
        {"X", "1;2;3", "False", {std::nullopt, std::nullopt, std::nullopt}},
    };
    for (const auto& c : splits) {
        ++f->clock->value.second;
        keys("12/5/2026", "14:03:" + std::to_string(10 + f->clock->value.second));
        f->set("Mapping", "CoefficientsField", c.field);
        f->set("Calibration", "Coefficients", c.coefficients);
        f->set("General", "WriteCoefsAsNumeric", c.numeric);
        EXPECT_EQ(f->act("/CREATECAL"), "") << c.field;
        EXPECT_EQ(rows("SELECT C2341, C2344, C2345 FROM ob.Calibration WHERE CTAG='" + ctagNow() + "'"),
                  Rows{c.expected})
            << c.field << " " << c.coefficients;
    }
    const auto us = regional::RegionalSettings::enUS(), de = regional::RegionalSettings::deDE();
    auto ar = us; // ar-EG: a separator of two bytes, sent by a peer that writes UTF-8
    ar.decimalSeparator = "\xD9\xAB";
    EnvironmentVariable codePage("OB32PYII_CODEPAGE", "65001");
    const struct {
        regional::RegionalSettings rs;
        const char *temp, *order, *startTime;
        Row stored; // C2311, C2314, C2333
    } cases[] = {
        {us, "23,5", "WO-77", "2:03:27 PM", {"23", "0", "14:03:27"}},
        {de, "23,5", "12", "14:05", {"23,5", "12", "14:05:00"}},
        {us, "23.25", "-4", "12/5/2026 2:03 PM", {"23.25", "-4", "14:03:00"}},
        {us, "1", "1", "12/31/2026", {"1", "1", "12/31/2026"}}, // a StartTime that is a date stays as sent
        {de, "1", "1", "14.05", {"1", "1", "14.05"}},
        {ar, "23\xD9\xAB" "5", "7", "14:05", {"23\xD9\xAB" "5", "7", "14:05:00"}},
    };
    for (const auto& c : cases) {
        start(c.rs);
        keys(c.rs.dateOrder == regional::DateOrder::DMY ? "05.12.2026" : "12/5/2026", c.startTime);
        f->set("Calibration", {{"AmbientTemp", c.temp}, {"OrderID", c.order}});
        EXPECT_EQ(f->act("/CREATECAL"), "") << c.startTime;
        EXPECT_EQ(rows("SELECT C2311, C2314, C2333, C2301 FROM ob.Calibration"),
                  (Rows{{c.stored[0], c.stored[1], c.stored[2], "2026-12-05"}}))
            << c.temp << " " << c.startTime;
    }
}

// A repeated create replaces the old record with its rows; a replacement that
// fails at any step leaves them whole, and the log says so.
TEST_P(Calibration, replacementIsWholeOrNotAtAll)
{
    keys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    ASSERT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(count("Calibration", ctagNow()), 1) << "the same second and start give the same key and one record";
    const std::string old = ctagNow();
    f->set("Standards", {{"Count", "2"}, {"AssetNumber1", "A0042"}, {"AssetNumber2", "A0043"}});
    ASSERT_EQ(f->act("/WRITESTD"), "");
    for (const char* order : {"1", "2", "3"}) {
        f->set("FullResults", "Order", order);
        ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    }
    f->clock->value.minute += 2;
    const auto oldRecordWhole = [&](const std::string& what) {
        EXPECT_EQ(counts(old), (std::vector<long>{1, 2, 3})) << what;
        EXPECT_EQ(rows("SELECT count(*) FROM ob.Calibration")[0][0], "1") << what;
    };
    const std::string creationError = "Could not create calibration summary record due to the following error: ";
    f->set("Calibration", "EndTime", "25:00"); // fails before anything is deleted
    EXPECT_EQ(f->act("/CREATECAL"), creationError + "13 - Type mismatch (EndTime='25:00')");
    f->set("Calibration", "AmbientTemp", "1E309");
    EXPECT_EQ(f->act("/CREATECAL"), creationError + "6 - Overflow (AmbientTemp='1E309')");
    oldRecordWhole("no time");
    f->set("Calibration", {{"EndTime", "15:10"}, {"AmbientTemp", "1"}});
    f->set("Mapping", "PassField", "C9999"); // the insert fails after the deletions ran
    EXPECT_TRUE(f->act("/CREATECAL").starts_with(creationError + "-2147467259 - "));
    oldRecordWhole("insert fails");

    f->set("Mapping", "PassField", "C2323"); // the standards' deletion fails after the results' one ran
    db->exec("ALTER TABLE ob.Standards RENAME TO gone");
    EXPECT_TRUE(f->act("/CREATECAL").starts_with(creationError + "-2147467259 - "));
    EXPECT_EQ(count("Calibration", old), 1);
    EXPECT_EQ(count("Results", old), 3);

    db->exec("ALTER TABLE ob.gone RENAME TO Standards");
    ASSERT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(counts(old), (std::vector<long>{0, 0, 0}));
    EXPECT_EQ(count("Calibration", ctagNow()), 1);
}

// Only a calibration of the same asset, start date and start time is replaced:
// any other keeps its record, standards and results.
TEST_P(Calibration, onlyTheSameStartReplaces)
{
    const auto create = [&](const char* asset, const char* date, const char* time) {
        ++f->clock->value.second;
        keys(date, time);
        f->set("Calibration", {{"AssetNumber", asset}});
        EXPECT_EQ(f->act("/CREATECAL"), "") << asset << " " << date << " " << time;
        f->set("Standards", {{"Count", "1"}, {"AssetNumber1", "A0043"}});
        EXPECT_EQ(f->act("/WRITESTD"), "");
        f->set("FullResults", "Order", "1");
        EXPECT_EQ(f->act("/CREATEFULLRES"), "");
        return std::string(asset) + ":" + regional::formatInteger(regional::secondsSince1970(f->clock->value));
    };
    const std::vector<long> whole{1, 1, 1};
    const std::string first = create("A1000", "12/5/2026", "2:03:27 PM");
    const std::string others[] = {create("A1000", "12/5/2026", "2:03:28 PM"), create("A1000", "12/5/2026", "9:00 AM"),
                                  create("A1000", "12/6/2026", "2:03:27 PM"), create("A0042", "12/5/2026", "2:03:27 PM")};
    EXPECT_EQ(counts(first), whole);
    const std::string again = create("A1000", "12/5/2026", "14:03:27"); // the same start, written otherwise
    EXPECT_EQ(counts(first), (std::vector<long>{0, 0, 0}));
    EXPECT_EQ(counts(again), whole);
    for (const std::string& ctag : others) { // deletions only since: each was whole all along
        EXPECT_EQ(counts(ctag), whole) << ctag;
    }
}

// A failed /CREATECAL ends the calibration in progress: what follows is refused
// and never lands on the calibration before it.
TEST_P(Calibration, aFailedCreationLeavesNoCalibrationInProgress)
{
    const struct {
        const char *section, *key, *value, *error;
    } failures[] = {
        {"Mapping", "PassField", "C2323 --", "Could not create calibration summary record"}, // refused name
        {"Calibration", "EndTime", "25:00", "Could not create calibration summary record"},  // no time
        {"Mapping", "PassField", "C9999", "Could not create calibration summary record"},    // the insert fails
        {"Calibration", "AssetNumber", "A9999", "Unable to get the ATAG for asset 'A9999'"},
    };
    f->set("Standards", {{"Count", "1"}, {"AssetNumber1", "A0042"}});
    f->set("FullResults", "Order", "1");
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.value);
        ++f->clock->value.second;
        keys("12/5/2026", "14:03:" + std::to_string(f->clock->value.second));
        f->set("Mapping", "PassField", "C2323");
        ASSERT_EQ(f->act("/CREATECAL"), "");
        const std::string previous = ctagNow();
        ++f->clock->value.second;
        f->set(failure.section, failure.key, failure.value);
        EXPECT_TRUE(f->act("/CREATECAL").starts_with(failure.error));
        EXPECT_TRUE(f->act("/WRITESTD").ends_with("no calibration record is in progress"));
        EXPECT_TRUE(f->act("/CREATEFULLRES").ends_with("no calibration record is in progress"));
        EXPECT_EQ(counts(previous), (std::vector<long>{1, 0, 0}));
    }
}

TEST_P(Calibration, fullResultsAndStandardsGoToTheCalibrationInProgress)
{
    keys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    f->act("/OBLOGOUT");
    f->set("Standards", "Count", "1");
    EXPECT_EQ(f->act("/WRITESTD"), "");
    EXPECT_EQ(f->act("/CREATEFULLRES"), "");
    EXPECT_EQ(count("Standards", ctagNow()) + count("Results", ctagNow()), 0) << "without a session nothing is written";
    EXPECT_TRUE(f->act("/CREATECAL").starts_with("Unable to get the ATAG for asset 'A1000'."));
    ASSERT_EQ(f->login(db->dbLogin(), db->user(), db->password()), "");
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string ctag = ctagNow();
    // Each key of a test point to its own column.
    const struct { const char *key, *column, *value; } point[] = {
        {"Order", "row_num", "3"}, {"NumSamples", "num_meas", "10"}, {"Setpoint", "expv", "100.000"},
        {"SetpointPrefix", "expv_p", "m"}, {"SetpointUnits", "expv_u", "degC"}, {"Reference", "Sys_actual", "100.012"},
        {"ReferencePrefix", "Sys_actual_p", "k"}, {"ReferenceUnits", "Sys_actual_u", "degF"},
        {"UUT", "uut_ind", "99.987"}, {"UUTPrefix", "uut_ind_p", "u"}, {"UUTUnits", "uut_ind_u", "ohm"},
        {"Error", "error", "-0.025"}, {"ErrorPrefix", "error_p", "n"}, {"ErrorUnits", "error_u", "K"},
        {"Tolerance", "tol", "0.100"}, {"TolerancePrefix", "tol_p", "M"}, {"ToleranceUnits", "tol_u", "mK"},
        {"Uncertainty", "exp_uncert", "0.015"}, {"UncertaintyPrefix", "exp_uncert_p", "G"},
        {"UncertaintyUnits", "exp_uncert_u", "uK"}, {"Comment", "remark", "point 3"}};
    std::string columns = "CTAG, ATAG";
    Row stored{ctag, "T1000"};
    for (const auto& p : point) {
        f->set("FullResults", p.key, p.value);
        columns += std::string(", ") + p.column;
        stored.emplace_back(p.value);
    }
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    EXPECT_EQ(rows("SELECT " + columns + " FROM ob.Results WHERE row_num=3"), Rows{stored});
    // NO READING in any case gives 0 for the readings, not for the set point.
    f->set("FullResults", {{"Order", "7"}, {"Setpoint", "NO READING"}, {"Reference", "no reading"}});
    f->set("FullResults", "UUT", "NO READING: sensor open");
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    EXPECT_EQ(rows("SELECT row_num, expv, Sys_actual, uut_ind FROM ob.Results WHERE row_num=7"),
              (Rows{{"7", "NO READING", "0", "0"}}));

    f->set("Standards", {{"Count", "3"}, {"AssetNumber1", "A0042"}, {"AssetNumber3", "A0043"}});
    // A row without the standard's tag would not say which was used: the attachment stops there.
    EXPECT_TRUE(f->act("/WRITESTD").ends_with("the standard's asset number '' was not found in the ORBISTA database"));
    EXPECT_EQ(rows("SELECT ATAG, CTAG, C2430 FROM ob.Standards"), (Rows{{"T1000", ctag, "T0042"}}));
    f->set("FullResults", "NumSamples", "99999");
    EXPECT_TRUE(f->act("/CREATEFULLRES").ends_with("6 - Overflow (NumSamples='99999')"));
    f->set("Standards", "Count", "40000");
    EXPECT_TRUE(f->act("/WRITESTD").ends_with("6 - Overflow (Count='40000')"));
    f->set("Standards", "Count", "1");
    EXPECT_EQ(f->act("/FLUSHFULLRES"), "");
    EXPECT_TRUE(f->act("/WRITESTD").ends_with("no calibration record is in progress"));
}

INSTANTIATE_TEST_SUITE_P(Engines, Calibration, ::testing::ValuesIn(TestDatabase::engines()), engineName);

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
        f.set("CurrentAsset", {{"Model", model}, {"Serial", serial}, {"Mfg", "Brennhall"}});
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
