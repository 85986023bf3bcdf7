// Hostile exchange-file input on every engine: every key whose text reaches a
// statement is given apostrophes, quotes, backslashes (an escape character to
// some servers), ";", "--", "/*", "%_", 64 KiB texts, control characters, a
// NUL and bytes that are not UTF-8. Each text is stored exactly as the
// exchange file reads it, or the action is refused with its clear error;
// a table-by-table comparison shows that nothing else changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "platform/regional/Conversions.h"
#include "reliability/Reliability.h"
#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

using Row = std::vector<std::optional<std::string>>;
using Rows = std::vector<Row>;
using Tables = std::map<std::string, Rows>;

const char* const kTables[] = {"Inventory", "AssetList", "Calibration", "Standards",
                               "Results",   "UserList",  "XE2_Customiz", "ValField"};

const char* const kNotUtf8 = "invalid \xff\xfe \xc3( utf-8";

std::vector<std::string> hostileTexts()
{
    return {
        "O'Brien's \"probe\"",
        "x'); DELETE FROM ob.Calibration; --",
        "'; DROP TABLE ob.Results; --",
        "') , ('injected",
        "/* open comment",
        "-- line comment",
        "a;b;c",
        "back\\slash\\' \\",
        "It's C:\\temp\\new",
        "Folder C:\\data\\",
        "\\', user(), version(), 1, 2, 3, 4, 5) #",
        "\\\\ \\\\\\\\ \\% \\_ \\0 \\Z",
        "tab\tinside and %_ wildcards",
        "Zürich ±0,1 °C",
        std::string("ctl \x01\x02\x1b[31m\x7f end"),
        std::string("nul\0inside", 10),
        kNotUtf8,
        std::string(65536, '\''),
        [] {
            std::string big;
            while (big.size() < 65536)
                big += "x'); DROP TABLE ob.Calibration; -- /* \"q\" ";
            return big + "end";
        }(),
    };
}

// A short name for failure messages.
std::string label(const std::string& text)
{
    std::string out;
    for (const char c : text.substr(0, 40))
        out += (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) ? '?' : c;
    return "\"" + out + (text.size() > 40 ? "...\" (" + regional::formatInteger(static_cast<long long>(text.size())) +
                                                " bytes)"
                                          : "\"");
}

std::string label(const std::optional<std::string>& text)
{
    return text ? label(*text) : "NULL";
}

// Row equality that names the texts briefly: some are 64 KiB long.
::testing::AssertionResult same(const Row& actual, const Row& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    auto result = ::testing::AssertionFailure();
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const auto a = i < actual.size() ? actual[i] : std::optional<std::string>("<none>");
        const auto e = i < expected.size() ? expected[i] : std::optional<std::string>("<none>");
        if (a != e)
            result << "column " << i << ": " << label(a) << " instead of " << label(e) << "; ";
    }
    return result;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

class HostileInput : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
                 ", 3, 'Chris')");
        db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
        f = std::make_unique<LinkFixture>();
        f->start();
        ASSERT_EQ(f->login(db->dbLogin(), db->user(), db->password()), "");
    }

    Tables tables() const
    {
        Tables all;
        for (const char* t : kTables) {
            Rows rows = db->rows(std::string("SELECT * FROM ob.") + t);
            std::sort(rows.begin(), rows.end());
            all[t] = std::move(rows);
        }
        return all;
    }

    // The rows of `after` that `before` lacks, table by table; fails when a row went away.
    static std::map<std::string, Rows> added(const Tables& before, const Tables& after)
    {
        std::map<std::string, Rows> out;
        for (const auto& [table, rows] : after) {
            const Rows& old = before.at(table);
            Rows gone;
            std::set_difference(old.begin(), old.end(), rows.begin(), rows.end(), std::back_inserter(gone));
            EXPECT_TRUE(gone.empty()) << gone.size() << " row(s) of " << table << " went away";
            Rows extra;
            std::set_difference(rows.begin(), rows.end(), old.begin(), old.end(), std::back_inserter(extra));
            if (!extra.empty())
                out[table] = std::move(extra);
        }
        return out;
    }

    // The exchange file's reading of a text written to it.
    std::string asRead(const std::string& section, const std::string& key) const
    {
        return f->get(section, key).value_or("<missing>");
    }

    void tick(int n)
    {
        f->clock->value.minute = n / 60;
        f->clock->value.second = n % 60;
    }

    std::string ctagNow(const std::string& assetNumber) const
    {
        return assetNumber + ":" + regional::formatInteger(regional::secondsSince1970(f->clock->value));
    }

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<LinkFixture> f;
};

const char* const kResultTexts[][2] = {
    {"Setpoint", "expv"},          {"SetpointPrefix", "expv_p"},         {"SetpointUnits", "expv_u"},
    {"Reference", "Sys_actual"},   {"ReferencePrefix", "Sys_actual_p"},  {"ReferenceUnits", "Sys_actual_u"},
    {"UUT", "uut_ind"},            {"UUTPrefix", "uut_ind_p"},           {"UUTUnits", "uut_ind_u"},
    {"Error", "error"},            {"ErrorPrefix", "error_p"},           {"ErrorUnits", "error_u"},
    {"Tolerance", "tol"},          {"TolerancePrefix", "tol_p"},         {"ToleranceUnits", "tol_u"},
    {"Uncertainty", "exp_uncert"}, {"UncertaintyPrefix", "exp_uncert_p"}, {"UncertaintyUnits", "exp_uncert_u"},
    {"Comment", "remark"},
};

// Asset model/serial/manufacturer, every text key of [Calibration], the
// custom field value, both kinds of standard lookup and every text key of
// [FullResults], one hostile text at a time, through the whole road of a
// calibration.
TEST_P(HostileInput, everyTextReachingAStatementIsStoredExactlyOrRefused)
{
    const auto texts = hostileTexts();
    int stored = 0;
    int refused = 0;
    std::string refusedWhat;
    int keys = 0;
    int actions = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i];
        SCOPED_TRACE(label(t));
        const std::string n = regional::formatInteger(static_cast<long long>(i));
        tick(static_cast<int>(i));

        // The text as asset number, as ATAG and as model/serial/manufacturer.
        // PostgreSQL refuses invalid UTF-8 even here; the program must then
        // report the refusal, never store something else.
        bool seeded = true;
        try {
            db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('TH" + n + "', " + odbc::quoteLiteral(t) + ")");
            db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES (" + odbc::quoteLiteral(t) + ", 'S" + n + "')");
            db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('TH" + n + "', 'H" + n +
                     "', " + odbc::quoteLiteral(t) + ", " + odbc::quoteLiteral(t) + ", " + odbc::quoteLiteral(t) + ")");
        } catch (const Failure&) {
            seeded = false;
        }

        // /LOCASSET: found by its exact texts, nothing changed.
        for (const char* key : {"Model", "Serial", "Mfg"})
            f->set("CurrentAsset", key, t);
        // What the exchange file reads back is what must be stored: the same
        // text, except that a value in matching outer quotes loses them, as on
        // Windows, and bytes that are not UTF-8 are read in the peer's code page.
        const std::string tRead = asRead("CurrentAsset", "Model");
        const std::string tText = t == kNotUtf8 ? "invalid ÿþ Ã( utf-8" : t;
        EXPECT_TRUE(tRead == tText || (t.front() == '\'' && t.back() == '\'' && tRead == t.substr(1, t.size() - 2)))
            << label(tRead);
        Tables before = tables();
        std::string error = f->act("/LOCASSET");
        ++actions;
        keys += 3;
        EXPECT_TRUE(added(before, tables()).empty());
        EXPECT_EQ(f->get("General", "Busy"), "False");
        if (error.empty()) {
            EXPECT_EQ(asRead("CurrentAsset", "AssetNumber"), seeded && tRead == t ? "H" + n : "");
            EXPECT_TRUE(asRead("CurrentAsset", "Mfg") == tRead);
            ++stored;
        } else {
            EXPECT_TRUE(!seeded) << error;
            EXPECT_TRUE(error.empty() || startsWith(error, "Could not locate asset due to the following error: "))
                << error;
            ++refused;
            refusedWhat += " /LOCASSET " + label(t) + ";";
        }

        // /CREATECAL with every text key and a custom field holding the text.
        for (const char* key : {"AssetNumber", "StartDate", "StartTime", "TechName", "AmbientTemp", "AmbientHumid",
                                "OrderID", "TestProcedure", "Comment", "EndDate", "Pass", "Coefficients"})
            f->set("Calibration", key, t);
        f->set("Calibration", "EndTime", "15:10");
        f->set("CustomCalFields", "Field1", "2400");
        f->set("CustomCalFields", "Value1", t);
        keys += 13;
        before = tables();
        error = f->act("/CREATECAL");
        ++actions;
        EXPECT_EQ(f->get("General", "Busy"), "False");
        auto delta = added(before, tables());
        if (!error.empty()) {
            EXPECT_TRUE(startsWith(error, "Could not create calibration summary record due to the following error: ") ||
                        ((!seeded || tRead != t) && startsWith(error, "Unable to get the ATAG for asset '")))
                << error;
            EXPECT_TRUE(delta.empty()) << "a refused calibration leaves every table as it was";
            ++refused;
            refusedWhat += " /CREATECAL " + label(t) + ";";
            f->act("/FLUSHFULLRES");
            continue;
        }
        ++stored;
        const std::string ctag = ctagNow(tRead);
        ASSERT_EQ(delta.size(), 1u);
        ASSERT_EQ(delta["Calibration"].size(), 1u);
        EXPECT_TRUE(f->link().calibration().CTAG() == ctag);
        const Rows row = db->rows("SELECT ATAG, CTAG, C2301, C2333, C2312, C2320, C2323, C2329, C2342, C2341, C2400, "
                                  "C2307 FROM ob.Calibration WHERE CTAG=" + odbc::quoteLiteral(ctag));
        ASSERT_EQ(row.size(), 1u);
        const std::string& v = tRead;
        EXPECT_TRUE(same(row[0], Row{"TH" + n, ctag, v, v, v, v, v, v, v, v, v, db->user()}));

        // /WRITESTD: a standard whose ATAG is the text, one found by the text.
        f->set("Standards", "Count", "2");
        f->set("Standards", "AssetNumber1", "S" + n);
        f->set("Standards", "AssetNumber2", t);
        // The text as ATAG of standard 1, and found by the text for standard 2.
        keys += 1;
        before = tables();
        error = f->act("/WRITESTD");
        ++actions;
        delta = added(before, tables());
        EXPECT_EQ(error, "");
        EXPECT_EQ(delta.size(), 1u);
        Rows standards = db->rows("SELECT ATAG, CTAG, C2430 FROM ob.Standards WHERE CTAG=" + odbc::quoteLiteral(ctag));
        std::sort(standards.begin(), standards.end());
        Rows expected{{"TH" + n, ctag, t}, {"TH" + n, ctag, tRead == t ? "TH" + n : ""}};
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(standards.size(), 2u);
        EXPECT_TRUE(same(standards[0], expected[0]));
        EXPECT_TRUE(same(standards[1], expected[1]));

        // /CREATEFULLRES with every text key holding the text.
        f->set("FullResults", "Order", "1");
        f->set("FullResults", "NumSamples", "2");
        std::string columns;
        for (const auto& [key, column] : kResultTexts) {
            f->set("FullResults", key, t);
            columns += std::string(columns.empty() ? "" : ", ") + column;
        }
        keys += static_cast<int>(std::size(kResultTexts));
        before = tables();
        error = f->act("/CREATEFULLRES");
        ++actions;
        delta = added(before, tables());
        EXPECT_EQ(error, "");
        EXPECT_EQ(delta.size(), 1u);
        const Rows results = db->rows("SELECT " + columns + " FROM ob.Results WHERE CTAG=" + odbc::quoteLiteral(ctag));
        ASSERT_EQ(results.size(), 1u);
        EXPECT_TRUE(same(results[0], Row(std::size(kResultTexts), tRead)));
        EXPECT_EQ(f->act("/FLUSHFULLRES"), "");
    }
    reportSize(regional::formatInteger(static_cast<long long>(texts.size())) + " hostile texts, " +
               regional::formatInteger(keys) + " hostile key values, " + regional::formatInteger(actions) +
               " actions: " + regional::formatInteger(stored) +
               " stored exactly, " + regional::formatInteger(refused) + " refused with a clear error" +
               (refusedWhat.empty() ? std::string() : " (" + refusedWhat.substr(1) + ")"));
}

// Column codes from [Mapping] and [CustomCalFields], and an EndTime that is no
// time, while an older record of the same start is in the way: each attempt
// is refused with the creation's error and the older record, its standards
// and results stay whole.
TEST_P(HostileInput, hostileColumnCodesAndEndTimesAreRefusedAndChangeNothing)
{
    f->set("Calibration", "AssetNumber", "A1000");
    f->set("Calibration", "StartDate", "12/5/2026");
    f->set("Calibration", "StartTime", "2:03:27 PM");
    f->set("Calibration", "EndTime", "15:10");
    f->set("Calibration", "Coefficients", "1;2");
    ASSERT_EQ(f->act("/CREATECAL"), "");
    f->set("FullResults", "Order", "1");
    ASSERT_EQ(f->act("/CREATEFULLRES"), "");
    f->set("Standards", "Count", "1");
    f->set("Standards", "AssetNumber1", "A1000");
    ASSERT_EQ(f->act("/WRITESTD"), "");
    const Tables before = tables();
    ASSERT_EQ(before.at("Calibration").size(), 1u);

    const std::vector<std::string> codes = {
        "C2311'", "C2311;--", "C2311 /*", "C2311) VALUES ('x'); --", "C23\xff", std::string("C2311\x01"),
        std::string("C2311\0x", 7), "C2311\"", "", std::string(65536, 'C') + "'",
    };
    const char* const mappingKeys[] = {"CoefficientsField", "WorkOrderField", "TestProcField", "MaintNotesField",
                                       "TechNameField",     "AmbTempField",   "AmbHumidField", "EndDateField",
                                       "EndTimeField",      "AbortedField",   "PassField"};
    const std::string refusal = "Could not create calibration summary record due to the following error: ";
    int attempts = 0;
    int second = 30;
    auto attempt = [&](const std::string& what) {
        f->clock->value.second = second++ % 60;
        const std::string error = f->act("/CREATECAL");
        ++attempts;
        EXPECT_TRUE(startsWith(error, refusal)) << what << ": " << error;
        EXPECT_EQ(f->get("General", "Busy"), "False");
        EXPECT_EQ(tables(), before) << what;
    };
    for (const char* key : mappingKeys) {
        for (const std::string& code : codes) {
            f->set("Mapping", key, code);
            attempt(std::string(key) + "=" + label(code));
        }
        // Switched off, so that the next key's attempts are about that key alone.
        f->set("Mapping", key, std::string(key) == "CoefficientsField" ? "2341" : "X");
    }
    f->set("Mapping", "CoefficientsField", "2341");
    for (const std::string& code : codes) {
        f->set("CustomCalFields", "Field1", code);
        f->set("CustomCalFields", "Value1", "v");
        attempt("Field1=" + label(code));
        f->set("CustomCalFields", "Field1", "2400");
        f->set("CustomCalFields", "Field2", code);
        attempt("Field2=" + label(code));
        f->set("CustomCalFields", "Field2", "2401");
    }
    f->set("Mapping", "EndTimeField", "C2343");
    for (const std::string& text : hostileTexts()) {
        f->set("Calibration", "EndTime", text);
        attempt("EndTime=" + label(text));
    }
    reportSize(regional::formatInteger(attempts) + " refused /CREATECAL attempts (" +
               regional::formatInteger(static_cast<long long>(std::size(mappingKeys) * codes.size())) +
               " mapping codes, " + regional::formatInteger(static_cast<long long>(2 * codes.size())) +
               " custom-field codes, " + regional::formatInteger(static_cast<long long>(hostileTexts().size())) +
               " end times) over an existing record: every one refused, every table unchanged");
}

INSTANTIATE_TEST_SUITE_P(Engines, HostileInput, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
