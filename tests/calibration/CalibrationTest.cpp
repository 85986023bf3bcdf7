// A calibration from /CREATECAL to /FLUSHFULLRES on real databases: the
// summary record, its replacement, standards and full results.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/ini/SharedFile.h"
#include "platform/regional/Conversions.h"
#include "support/EnvironmentVariable.h"
#include "calibration/Deletion.h"
#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

using Rows = std::vector<std::vector<std::optional<std::string>>>;

class Calibration : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override { SetUpWith(regional::RegionalSettings::enUS()); }

    void SetUpWith(const regional::RegionalSettings& rs)
    {
        db = std::make_unique<TestDatabase>(GetParam());
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
                 ", 3, 'Chris')");
        for (const auto& [number, atag] : {std::pair{"A1000", "T1000"}, {"A0042", "T0042"}, {"A0043", "T0043"}}) {
            db->exec(std::string("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('") + atag + "', '" + number + "')");
        }
        f = std::make_unique<LinkFixture>(rs);
        f->start();
        ASSERT_EQ(f->login(db->dbLogin(), db->user(), db->password()), "");
    }

    // A complete [Calibration] section for asset A1000.
    void calibrationKeys(const std::string& startDate = "12/5/2026", const std::string& startTime = "2:03:27 PM")
    {
        f->set("Calibration", "AssetNumber", "A1000");
        f->set("Calibration", "StartDate", startDate);
        f->set("Calibration", "StartTime", startTime);
        f->set("Calibration", "EndTime", "15:10");
    }

    std::string ctagNow() const
    {
        return "A1000:" + regional::formatInteger(regional::secondsSince1970(f->clock->value));
    }

    // The statement the log shows after "Committing calibration record...".
    std::string insertStatement() const
    {
        const auto lines = f->logLines();
        for (std::size_t i = lines.size(); i-- > 1;) {
            if (lines[i - 1] == "Committing calibration record...") {
                return lines[i];
            }
        }
        return {};
    }

    Rows rows(const std::string& sql) const { return db->rows(sql); }
    long count(const std::string& table, const std::string& ctag) const
    {
        return std::stol(*rows("SELECT count(*) FROM ob." + table + " WHERE CTAG=" + odbc::quoteLiteral(ctag))[0][0]);
    }

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<LinkFixture> f;
};

TEST_P(Calibration, theRecordWithEveryMappingKeyAbsent)
{
    calibrationKeys();
    f->set("Calibration", "TechName", "Jane");
    EXPECT_EQ(f->act("/CREATECAL"), "");
    const std::string ctag = ctagNow();
    EXPECT_EQ(insertStatement(),
              "INSERT INTO ob.Calibration (atag, ctag, CDSRC, C2301, C2333, C2307, C2311, C2312, C2314, C2320, C2329, "
              "C2342, C2343, C2363, C2323) VALUES ('T1000', '" + ctag + "', 'PY2', '2026-12-05', '14:03:27', '" +
                  db->user() + "', '0', '', '0', '', '', '', '15:10:00', 'N', 'I');");
    EXPECT_EQ(f->link().calibration().ATAG(), "T1000");
    EXPECT_EQ(f->link().calibration().CTAG(), ctag);
    const Rows row = rows("SELECT ATAG, CDSRC, C2301, C2333, C2307, C2343, C2363, C2323 FROM ob.Calibration");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (std::vector<std::optional<std::string>>{"T1000", "PY2", "2026-12-05", "14:03:27", db->user(),
                                                               "15:10:00", "N", "I"}));
    EXPECT_TRUE(f->logHas("Write coefs as numeric: False"));
}

TEST_P(Calibration, mappingSwitchesAndConversions)
{
    calibrationKeys();
    f->set("Mapping", "AmbTempField", "x");
    f->set("Mapping", "PassField", "X");
    f->set("Mapping", "WorkOrderField", "2314");
    f->set("Calibration", "OrderID", "0815");
    f->set("Calibration", "AmbientHumid", "45.0");
    f->set("Calibration", "EndDate", "12/31/2026");
    f->set("Calibration", "Aborted", "True");
    f->set("Calibration", "Coefficients", "1;2;3");
    EXPECT_EQ(f->act("/CREATECAL"), "");
    const Rows row = rows("SELECT C2311, C2312, C2314, C2342, C2363, C2323, C2341 FROM ob.Calibration");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0], (std::vector<std::optional<std::string>>{std::nullopt, "45.0", "815", "2026-12-31", "Y",
                                                               std::nullopt, "1;2;3"}));
    EXPECT_EQ(insertStatement().find("C2311"), std::string::npos);
}

TEST_P(Calibration, numbersFollowTheRegionalDecimalSeparator)
{
    const struct {
        regional::RegionalSettings rs;
        const char* temp;
        const char* order;
        const char* storedTemp;
        const char* storedOrder;
    } cases[] = {
        {regional::RegionalSettings::enUS(), "23,5", "WO-77", "23", "0"},
        {regional::RegionalSettings::deDE(), "23,5", "12", "23,5", "12"},
        {regional::RegionalSettings::enUS(), "23.25", "-4", "23.25", "-4"},
    };
    for (const auto& c : cases) {
        TearDown();
        SetUpWith(c.rs);
        calibrationKeys(c.rs.dateOrder == regional::DateOrder::DMY ? "05.12.2026" : "12/5/2026", "14:03:27");
        f->set("Calibration", "AmbientTemp", c.temp);
        f->set("Calibration", "OrderID", c.order);
        EXPECT_EQ(f->act("/CREATECAL"), "");
        const Rows row = rows("SELECT C2311, C2314, C2301 FROM ob.Calibration");
        ASSERT_EQ(row.size(), 1u);
        EXPECT_EQ(row[0][0], c.storedTemp);
        EXPECT_EQ(row[0][1], c.storedOrder);
        EXPECT_EQ(row[0][2], "2026-12-05");
    }
}

TEST_P(Calibration, coefficientsSingleSplitAndNumeric)
{
    const struct {
        const char* field;
        const char* coefficients;
        bool numeric;
        std::vector<std::optional<std::string>> expected; // C2341, C2344, C2345
    } cases[] = {
        {"C2341;C2344;C2345", "A=1.5E-3; B = 2.0", false, {"A=1.5E-3", "B = 2.0", std::nullopt}},
        {"C2341;C2344;C2345", "A=1.5E-3; B = 2.0", true, {"1.5E-3", "2.0", std::nullopt}},
        {"C2341;C2344", "1;2;3", false, {"1", "2", std::nullopt}},
        {"2341", "1;2;3", false, {"1;2;3", std::nullopt, std::nullopt}},
        {"X", "1;2;3", false, {std::nullopt, std::nullopt, std::nullopt}},
    };
    int second = 0;
    for (const auto& c : cases) {
        f->clock->value.second = second++;
        db->exec("DELETE FROM ob.Calibration");
        calibrationKeys("12/5/2026", "14:03:" + std::to_string(10 + second));
        f->set("Mapping", "CoefficientsField", c.field);
        f->set("Calibration", "Coefficients", c.coefficients);
        f->set("General", "WriteCoefsAsNumeric", c.numeric ? "True" : "False");
        EXPECT_EQ(f->act("/CREATECAL"), "") << c.field;
        const Rows row = rows("SELECT C2341, C2344, C2345 FROM ob.Calibration");
        ASSERT_EQ(row.size(), 1u);
        EXPECT_EQ(row[0], c.expected) << c.field << " " << c.coefficients;
    }
}

TEST_P(Calibration, defaultCustomFieldsStopAtTheFirstGap)
{
    calibrationKeys();
    f->set("CustomCalFields", "Field1", "C2400");
    f->set("CustomCalFields", "Value1", "abc");
    f->set("CustomCalFields", "Field3", "C2402");
    f->set("CustomCalFields", "Value3", "never");
    EXPECT_EQ(f->act("/CREATECAL"), "");
    const Rows row = rows("SELECT C2400, C2402 FROM ob.Calibration");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], "abc");
    EXPECT_EQ(row[0][1], std::nullopt);
}

TEST_P(Calibration, aRepeatedCreateReplacesTheOldRecordWithItsRows)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string first = ctagNow();
    f->set("Standards", "Count", "2");
    f->set("Standards", "AssetNumber1", "A0042");
    f->set("Standards", "AssetNumber2", "A0043");
    ASSERT_EQ(f->act("/WRITESTD"), "");
    for (int order = 1; order <= 5; ++order) {
        f->set("FullResults", "Order", std::to_string(order));
        ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    }
    EXPECT_EQ(count("Results", first), 5);
    EXPECT_EQ(count("Standards", first), 2);

    f->clock->value.minute += 2;
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string second = ctagNow();
    EXPECT_NE(first, second);
    EXPECT_EQ(count("Calibration", first), 0);
    EXPECT_EQ(count("Results", first), 0);
    EXPECT_EQ(count("Standards", first), 0);
    EXPECT_EQ(count("Calibration", second), 1);
    const std::string log = f->logText();
    EXPECT_NE(log.find("This calibration record already exists!\nDeleting calibration records for CTAG '" + first +
                       "'...\nDELETE FROM ob.Results WHERE CTAG='" + first + "'\nRecords deleted: 5\n"
                       "DELETE FROM ob.Standards WHERE CTAG='" + first + "'\nRecords deleted: 2\n"
                       "DELETE FROM ob.Calibration WHERE CTAG='" + first + "'\nRecords deleted: 1\n"),
              std::string::npos)
        << log;
}

// A replacement that fails at any step leaves the old record, its standards and
// results whole, writes nothing new, and the log says so.
TEST_P(Calibration, aFailedReplacementLeavesTheOldRecordWhole)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string first = ctagNow();
    f->set("Standards", "Count", "1");
    f->set("Standards", "AssetNumber1", "A0042");
    ASSERT_EQ(f->act("/WRITESTD"), "");
    f->set("FullResults", "Order", "1");
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    f->clock->value.minute += 2;
    const std::string kept = "Changes rolled back - the existing calibration record for CTAG '" + first + "' is kept";

    const auto oldRecordWhole = [&](const std::string& what) {
        EXPECT_EQ(count("Calibration", first), 1) << what;
        EXPECT_EQ(count("Standards", first), 1) << what;
        EXPECT_EQ(count("Results", first), 1) << what;
        EXPECT_EQ(rows("SELECT count(*) FROM ob.Calibration")[0][0], "1") << what;
        // Nothing can be attached to the record that was never created.
        EXPECT_EQ(f->link().calibration().CTAG(), "") << what;
    };

    // A value that does not convert fails before anything is deleted, and the
    // error names it.
    for (const char* endTime : {"", "not a time", "25:00"}) {
        f->set("Calibration", "EndTime", endTime);
        EXPECT_EQ(f->act("/CREATECAL"),
                  std::string("Could not create calibration summary record due to the following error: 13 - Type "
                              "mismatch (EndTime='") + endTime + "')");
        oldRecordWhole(endTime);
    }
    EXPECT_FALSE(f->logHas("Records deleted: 1")) << "nothing deleted for a creation that cannot succeed";
    EXPECT_EQ(f->act("/CREATEFULLRES"),
              "Could not create full results record due to the following error: 5 - Invalid procedure call or "
              "argument: no calibration record is in progress");

    // The insert fails after the deletions ran: they are undone, and the log says so.
    f->set("Calibration", "EndTime", "15:10");
    f->set("Mapping", "PassField", "C9999");
    const std::string error = f->act("/CREATECAL");
    EXPECT_EQ(error.rfind("Could not create calibration summary record due to the following error: -2147467259 - ", 0),
              0u)
        << error;
    oldRecordWhole("insert fails");
    const std::string log = f->logText();
    const auto deleted = log.rfind("DELETE FROM ob.Calibration WHERE CTAG='" + first + "'\nRecords deleted: 1\n");
    ASSERT_NE(deleted, std::string::npos) << log;
    const std::string creationError = "Could not create calibration summary record due to the following error: ";
    EXPECT_NE(log.find(kept + "\n" + creationError, deleted), std::string::npos) << log;

    // A deletion that fails fails the creation: no second record of the same start.
    f->set("Mapping", "PassField", "C2323");
    db->exec(GetParam() == Engine::SQLite ? "DROP TABLE ob.Standards" : "ALTER TABLE ob.Standards RENAME TO gone");
    const std::string deletionError = f->act("/CREATECAL");
    EXPECT_EQ(deletionError.rfind(
                  "Could not create calibration summary record due to the following error: -2147467259 - ", 0),
              0u)
        << deletionError;
    const std::string after = f->logText();
    EXPECT_NE(after.find(kept + "\n" + creationError, after.rfind("\nError in DeleteCalibrationRecords(): ")),
              std::string::npos)
        << after;
    EXPECT_EQ(count("Calibration", first), 1);
    EXPECT_EQ(count("Results", first), 1);
    EXPECT_EQ(rows("SELECT count(*) FROM ob.Calibration")[0][0], "1");
}

// A value that does not convert fails its action with the system's message and
// number, and names the key and the value.
TEST_P(Calibration, conversionFailuresNameTheKeyAndTheValue)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const struct {
        const char* action;
        const char* section;
        const char* key;
        const char* value;
        const char* error;
    } cases[] = {
        {"/WRITESTD", "Standards", "Count", "40000",
         "Could not attach standard asset () to current calibration record due to the following error: 6 - Overflow "
         "(Count='40000')"},
        {"/CREATEFULLRES", "FullResults", "NumSamples", "99999",
         "Could not create full results record due to the following error: 6 - Overflow (NumSamples='99999')"},
        {"/CREATECAL", "Calibration", "AmbientTemp", "1E309",
         "Could not create calibration summary record due to the following error: 6 - Overflow "
         "(AmbientTemp='1E309')"},
    };
    for (const auto& c : cases) {
        f->set(c.section, c.key, c.value);
        EXPECT_EQ(f->act(c.action), c.error);
    }
}

// A StartTime is made hh:nn:ss only when it holds a time of day; a date stays as sent.
TEST_P(Calibration, startTimeConversionOnlyForATimeOfDay)
{
    const struct {
        regional::RegionalSettings rs;
        const char* startTime;
        const char* stored;
    } cases[] = {
        {regional::RegionalSettings::enUS(), "2:03:27 PM", "14:03:27"},
        {regional::RegionalSettings::enUS(), "12/5/2026 2:03 PM", "14:03:00"},
        {regional::RegionalSettings::enUS(), "12/31/2026", "12/31/2026"},
        {regional::RegionalSettings::enUS(), "soon", "soon"},
        {regional::RegionalSettings::deDE(), "14.05", "14.05"},
        {regional::RegionalSettings::deDE(), "14:05", "14:05:00"},
    };
    for (const auto& c : cases) {
        TearDown();
        SetUpWith(c.rs);
        calibrationKeys("2026-12-05", c.startTime);
        EXPECT_EQ(f->act("/CREATECAL"), "") << c.startTime;
        EXPECT_EQ(rows("SELECT C2333 FROM ob.Calibration"), (Rows{{c.stored}})) << c.startTime;
    }
}

// Nothing the operator does in the required fields editor holds a database
// lock: another client writes while the editor is open.
TEST_P(Calibration, anotherClientWritesWhileTheEditorIsOpen)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string first = ctagNow();
    db->exec("INSERT INTO ob.XE2_Customiz (Fldnum, title, Ireq, validation, datacol, ftype, fform, maxlen, Desktop) "
             "VALUES ('1', 'Probe', 'Y', 'NONE', 'C2401', 'STRING', '8', '20', 'default')");
    std::string otherClient = "not run";
    f->windows->editorScripts.push_back([&](const FieldCollection&, const std::string&) {
        try {
            db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES ('other', 1, 'Other Client')");
            otherClient = "";
        } catch (const Failure& failure) {
            otherClient = failure.description();
        }
        return std::optional<std::vector<std::string>>{{"probe 7"}};
    });
    f->clock->value.minute += 2;
    EXPECT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(otherClient, "");
    EXPECT_EQ(rows("SELECT Name FROM ob.UserList WHERE obuser='other'"), (Rows{{"Other Client"}}));
    EXPECT_EQ(count("Calibration", first), 0) << "the replacement still ran";
    EXPECT_EQ(rows("SELECT C2401 FROM ob.Calibration"), (Rows{{"probe 7"}}));
    const auto lines = f->logLines();
    // The creation's own lines: the last of each.
    const auto at = [&](const std::string& text) {
        return std::find(lines.rbegin(), lines.rend(), text) - lines.rbegin();
    };
    EXPECT_GT(at("Adding to insert command: C2401 => probe 7"), at("Checking for existing cal record..."));
    EXPECT_GT(at("Records deleted: 1"), at("Committing calibration record..."));
}

TEST_P(Calibration, withoutASessionTheAssetCannotBeFound)
{
    f->act("/OBLOGOUT");
    calibrationKeys();
    EXPECT_EQ(f->act("/CREATECAL"),
              "Unable to get the ATAG for asset 'A1000'. This asset may not exist in the ORBISTA database.");
    EXPECT_EQ(rows("SELECT count(*) FROM ob.Calibration")[0][0], "0");
}

TEST_P(Calibration, sameSecondSameStartGivesTheSameKeyAndOneRecord)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string first = f->link().calibration().CTAG();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(f->link().calibration().CTAG(), first);
    EXPECT_EQ(count("Calibration", first), 1);
}

TEST_P(Calibration, fullResultsRowsFollowTheStatementOrder)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string ctag = ctagNow();
    const std::pair<const char*, const char*> keys[] = {
        {"Order", "3"},          {"NumSamples", "10"},         {"Setpoint", "100.000"},
        {"SetpointUnits", "degC"}, {"Reference", "100.012"},   {"ReferenceUnits", "degC"},
        {"UUT", "99.987"},       {"UUTUnits", "ohm"},          {"Error", "-0.025"},
        {"ErrorUnits", "degC"},  {"Tolerance", "0.100"},       {"ToleranceUnits", "degC"},
        {"Uncertainty", "0.015"}, {"UncertaintyUnits", "degC"},
    };
    for (const auto& [key, value] : keys) {
        f->set("FullResults", key, value);
    }
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    EXPECT_TRUE(f->logHas(
        "INSERT INTO ob.Results (CTAG, ATAG, row_num, num_meas, expv, expv_p, expv_u, Sys_actual, Sys_actual_p, "
        "Sys_actual_u, uut_ind, uut_ind_p, uut_ind_u, error, error_p, error_u, tol, tol_p, tol_u, exp_uncert, "
        "exp_uncert_p, exp_uncert_u, remark) VALUES ('" + ctag + "', 'T1000', '3', '10', '100.000', '', 'degC', "
        "'100.012', '', 'degC', '99.987', '', 'ohm', '-0.025', '', 'degC', '0.100', '', 'degC', '0.015', '', "
        "'degC', '');"))
        << f->logText();

    // NO READING in any case gives 0 for the readings, not for the set point.
    f->set("FullResults", "Order", "7");
    f->set("FullResults", "Setpoint", "NO READING");
    f->set("FullResults", "Reference", "no reading");
    f->set("FullResults", "UUT", "NO READING: sensor open");
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    ASSERT_EQ(f->act("/CREATEFULLRES"), "") << "the same order twice gives two rows";
    const Rows row = rows("SELECT row_num, expv, Sys_actual, uut_ind FROM ob.Results WHERE row_num=7");
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0], (std::vector<std::optional<std::string>>{"7", "NO READING", "0", "0"}));
}

TEST_P(Calibration, standardsAreAttachedToTheCalibrationInProgress)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string ctag = ctagNow();
    EXPECT_EQ(f->act("/WRITESTD"), "");
    EXPECT_TRUE(f->logHas("There are 0 assets to associate..."));

    f->set("Standards", "Count", "3");
    f->set("Standards", "AssetNumber1", "A0042");
    f->set("Standards", "AssetNumber3", "A0043");
    // The second standard is missing: a row without the standard's tag would not
    // say which standard was used, so the attachment stops there.
    EXPECT_EQ(f->act("/WRITESTD"),
              "Could not attach standard asset () to current calibration record due to the following error: 5 - "
              "Invalid procedure call or argument: the standard's asset number '' was not found in the ORBISTA "
              "database");
    EXPECT_TRUE(f->logHas("INSERT INTO ob.Standards (ATAG,CTAG,C2430) Values ('T1000', '" + ctag + "', 'T0042');"));
    EXPECT_EQ(rows("SELECT C2430 FROM ob.Standards"), (Rows{{"T0042"}}));

    // After /FLUSHFULLRES nothing more is attached to it.
    EXPECT_EQ(f->act("/FLUSHFULLRES"), "");
    EXPECT_EQ(f->link().calibration().ATAG(), "");
    f->set("Standards", "Count", "1");
    EXPECT_EQ(f->act("/WRITESTD"), "Could not attach standard asset () to current calibration record due to the "
                                   "following error: 5 - Invalid procedure call or argument: no calibration record "
                                   "is in progress");
    EXPECT_EQ(count("Standards", ""), 0);
}

TEST_P(Calibration, withoutASessionStandardsAndResultsDoNothing)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    f->act("/OBLOGOUT");
    const auto before = f->logLines().size();
    f->set("Standards", "Count", "1");
    f->set("Standards", "AssetNumber1", "A0042");
    EXPECT_EQ(f->act("/WRITESTD"), "");
    EXPECT_EQ(f->act("/CREATEFULLRES"), "");
    // The dispatcher's lines, and the standards' first line only.
    EXPECT_EQ(f->logLines().size(), before + 3 + 1 + 3);
}

// Texts from the exchange file are stored exactly as given and can change
// nothing else.
TEST_P(Calibration, hostileTextsAreStoredExactly)
{
    const std::string texts[] = {
        "O'Brien's \"probe\"", "x'); DELETE FROM ob.Calibration; --", "/* comment */ -- line", "Zürich ±0,1 °C",
        std::string(65536, 'a'),
    };
    int second = 0;
    for (const std::string& text : texts) {
        f->clock->value.second = second++;
        calibrationKeys("12/5/2026", "14:03:" + std::to_string(second));
        f->set("Calibration", "Comment", text);
        f->set("Calibration", "TestProcedure", text);
        f->set("CustomCalFields", "Field1", "2400");
        f->set("CustomCalFields", "Value1", text);
        ASSERT_EQ(f->act("/CREATECAL"), "");
        f->set("FullResults", "Comment", text);
        ASSERT_EQ(f->act("/CREATEFULLRES"), "");
        const std::string ctag = f->link().calibration().CTAG();
        const Rows row = rows("SELECT C2329, C2320, C2400 FROM ob.Calibration WHERE CTAG=" + odbc::quoteLiteral(ctag));
        ASSERT_EQ(row.size(), 1u);
        EXPECT_EQ(row[0], (std::vector<std::optional<std::string>>{text, text, text}));
        EXPECT_EQ(rows("SELECT remark FROM ob.Results WHERE CTAG=" + odbc::quoteLiteral(ctag)), (Rows{{text}}));
    }
    EXPECT_EQ(rows("SELECT count(*) FROM ob.Calibration")[0][0], std::to_string(std::size(texts)));
}

// The peer writes its code page; the database gets UTF-8 (PostgreSQL refuses
// anything else), is searched with it, and its texts reach the peer as the
// peer's own bytes.
TEST_P(Calibration, textInThePeersCodePageReachesTheDatabaseAsUtf8AndComesBack)
{
    const struct {
        const char* codePage;
        std::string model, modelBytes;
        std::string unit, unitBytes;
        std::string description, descriptionBytes;
    } cases[] = {
        {nullptr, "Grüße", "Gr\xFC\xDF" "e", "°C", "\xB0" "C", "Thermomètre à résistance",
         "Thermom\xE8tre \xE0 r\xE9sistance"},
        {nullptr, "Pt100 µA", "Pt100 \xB5" "A", "µA", "\xB5" "A", "Łódź 温度", "L\xF3" "dz ??"},
        {"1251", "Термометр", "\xD2\xE5\xF0\xEC\xEE\xEC\xE5\xF2\xF0", "Ом", "\xCE\xEC", "Pt100 Ом é",
         "Pt100 \xCE\xEC e"},
    };
    const auto peerWrites = [&](const std::string& section, const std::string& key, const std::string& bytes) {
        ini::updateFile(f->dir.file("OB32PYII.INI"),
                        [&](const std::string& content) { return ini::assign(content, section, key, bytes); });
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        EnvironmentVariable codePage("OB32PYII_CODEPAGE", c.codePage);
        const std::string number = std::to_string(++n);
        db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4204, I4206) VALUES ('T7" + number +
                 "', 'A7" + number + "', 'Brennhall', " + odbc::quoteLiteral(c.model) + ", " +
                 odbc::quoteLiteral(c.description) + ", 'SN')");
        peerWrites("CurrentAsset", "Model", c.modelBytes);
        f->set("CurrentAsset", "Serial", "SN");
        f->set("CurrentAsset", "Mfg", "Brennhall");
        ASSERT_EQ(f->act("/LOCASSET"), "");
        EXPECT_NE(f->dir.read("OB32PYII.INI").find("\r\nDescription=" + c.descriptionBytes + "\r\n"), std::string::npos)
            << f->dir.read("OB32PYII.INI");

        f->clock->value.second = n;
        calibrationKeys("12/5/2026", "14:03:0" + number);
        peerWrites("Calibration", "Comment", c.modelBytes);
        ASSERT_EQ(f->act("/CREATECAL"), "");
        peerWrites("FullResults", "SetpointUnits", c.unitBytes);
        ASSERT_EQ(f->act("/CREATEFULLRES"), "");
        const std::string ctag = odbc::quoteLiteral(f->link().calibration().CTAG());
        EXPECT_EQ(rows("SELECT C2329 FROM ob.Calibration WHERE CTAG=" + ctag), (Rows{{c.model}}));
        EXPECT_EQ(rows("SELECT expv_u FROM ob.Results WHERE CTAG=" + ctag), (Rows{{c.unit}}));
    }
}

TEST_P(Calibration, columnNamesThatAreNotPlainNeverReachTheDatabase)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const Rows before = rows("SELECT CTAG FROM ob.Calibration");
    const struct {
        const char* section;
        const char* key;
        const char* value;
        const char* restore;
    } cases[] = {
        {"Mapping", "AmbTempField", "C2311=C2311; DROP TABLE ob.Results", "C2311"},
        {"Mapping", "CoefficientsField", "C2341;C23 44", "2341"},
        {"Mapping", "PassField", "C2323--", "C2323"},
        {"CustomCalFields", "Field1", "2400) VALUES ('x", "2400"},
    };
    for (const auto& c : cases) {
        f->set(c.section, c.key, c.value);
        f->set("Calibration", "Coefficients", "1;2");
        const std::string error = f->act("/CREATECAL");
        EXPECT_EQ(error.rfind("Could not create calibration summary record due to the following error: 5 - ", 0), 0u)
            << error;
        EXPECT_EQ(rows("SELECT CTAG FROM ob.Calibration"), before) << c.value;
        EXPECT_EQ(rows("SELECT count(*) FROM ob.Results")[0][0], "0");
        f->set(c.section, c.key, c.restore);
    }
}

TEST_P(Calibration, theThreeDeletionsCommitTogetherOrNotAtAll)
{
    calibrationKeys();
    ASSERT_EQ(f->act("/CREATECAL"), "");
    const std::string first = ctagNow();
    f->set("FullResults", "Order", "1");
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    // The standards table goes away: its deletion fails after the results' one ran.
    db->exec(GetParam() == Engine::SQLite ? "DROP TABLE ob.Standards" : "ALTER TABLE ob.Standards RENAME TO gone");
    bool deleted = true;
    DeleteCalibrationRecords(f->link().context(), f->link().session(), first, deleted);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(f->get("General", "Error").value_or("").rfind(
                  "Could not delete calibration records for CTAG '" + first + "' due to the following error: ", 0),
              0u);
    EXPECT_EQ(count("Results", first), 1) << "the results' deletion was rolled back";
    EXPECT_EQ(count("Calibration", first), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, Calibration, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
