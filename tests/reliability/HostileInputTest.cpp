// Hostile exchange-file input on every engine: each text is stored exactly as read, or refused clearly.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/regional/Conversions.h"
#include "reliability/Reliability.h"

namespace ob::test {
namespace {

using Row = Rows::value_type;

const char* const kNotUtf8 = "invalid \xff\xfe \xc3( utf-8";

// Quotes, statement and comment breaks, backslashes, wildcards, controls, not UTF-8; then a NUL and 64 KiB.
const char* const kTexts[] = {"O'Brien's \"probe\"", "x'); DELETE FROM ob.Calibration; --", "') , ('injected",
                              "/* open comment", "back\\slash\\' \\", "It's C:\\temp\\new", "Folder C:\\data\\",
                              "\\', user(), version(), 1, 2, 3, 4, 5) #", "\\\\ \\% \\_ \\0 \\Z",
                              "tab\tinside and %_ wildcards", "Zürich ±0,1 °C", "ctl \x01\x02\x1b[31m\x7f end", kNotUtf8};

const std::vector<std::string>& hostileTexts()
{
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all(std::begin(kTexts), std::end(kTexts));
        all.insert(all.end(), {std::string("nul\0inside", 10), std::string(65536, '\''), ""});
        while (all.back().size() < 65536)
            all.back() += "x'); DROP TABLE ob.Calibration; -- /* \"q\" ";
        return all;
    }();
    return texts;
}

class HostileInput : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        seedUserAndAsset(*db);
        f.start();
        ASSERT_EQ(f.login(db->dbLogin(), db->user(), db->password()), "");
    }

    // Runs `action` into `error`; returns how many tables gained rows. No row may change or go away.
    int act(const std::string& action, std::string& error)
    {
        const auto tables = [&] {
            std::map<std::string, Rows> all;
            for (const char* t : {"Inventory", "AssetList", "Calibration", "Standards", "Results", "UserList",
                                  "XE2_Customiz", "ValField"}) {
                all[t] = db->rows(std::string("SELECT * FROM ob.") + t);
                std::sort(all[t].begin(), all[t].end());
            }
            return all;
        };
        const auto before = tables();
        error = f.act(action);
        EXPECT_EQ(f.get("General", "Busy"), "False") << action;
        int grown = 0;
        for (const auto& [table, rows] : tables()) {
            const Rows& old = before.at(table);
            EXPECT_TRUE(std::includes(rows.begin(), rows.end(), old.begin(), old.end())) << action << " in " << table;
            grown += rows.size() > old.size();
        }
        return grown;
    }

    std::unique_ptr<TestDatabase> db;
    LinkFixture f;
};

// Each text as asset keys, ATAG, every text key of [Calibration], custom value, standards, [FullResults] texts.
TEST_P(HostileInput, everyTextReachingAStatementIsStoredExactlyOrRefused)
{
    int stored = 0;
    std::string error;
    for (std::size_t i = 0; i < hostileTexts().size(); ++i) {
        const std::string& t = hostileTexts()[i];
        const std::string n = std::to_string(i);
        SCOPED_TRACE("hostile text " + n); // some are 64 KiB long
        const std::string q = odbc::quoteLiteral(t);
        f.clock->value.second = static_cast<int>(i);
        // PostgreSQL refuses invalid UTF-8 even here; the program must then refuse too.
        bool seeded = true;
        try {
            db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('TH" + n + "', " + q + ")");
            db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES (" + q + ", 'S" + n + "')");
            db->exec("INSERT INTO ob.Inventory (ATAG, I4201, I4202, I4203, I4206) VALUES ('TH" + n + "', 'H" + n +
                     "', " + q + ", " + q + ", " + q + ")");
        } catch (const Failure&) {
            seeded = false;
        }
        for (const char* key : {"Model", "Serial", "Mfg"})
            f.set("CurrentAsset", key, t);
        // Stored must be what the file reads back: less outer quotes, non-UTF-8 read in the peer's code page.
        const std::string v = f.get("CurrentAsset", "Model").value_or("<missing>");
        EXPECT_TRUE(v == (t == kNotUtf8 ? "invalid ÿþ Ã( utf-8" : t) ||
                    (t.front() == '\'' && t.back() == '\'' && v == t.substr(1, t.size() - 2)))
            << v.size();
        EXPECT_EQ(act("/LOCASSET", error), 0);
        if (error.empty()) {
            EXPECT_EQ(f.get("CurrentAsset", "AssetNumber"), seeded && v == t ? "H" + n : "");
            EXPECT_TRUE(f.get("CurrentAsset", "Mfg") == v);
        } else {
            EXPECT_FALSE(seeded) << error;
            EXPECT_TRUE(error.starts_with("Could not locate asset due to the following error: ")) << error;
        }

        for (const char* key : {"AssetNumber", "StartDate", "StartTime", "TechName", "AmbientTemp", "AmbientHumid",
                                "OrderID", "TestProcedure", "Comment", "EndDate", "Pass", "Coefficients"})
            f.set("Calibration", key, t);
        f.set("Calibration", "EndTime", "15:10");
        f.set("CustomCalFields", "Field1", "2400");
        f.set("CustomCalFields", "Value1", t);
        const int added = act("/CREATECAL", error);
        if (!error.empty()) {
            EXPECT_TRUE(error.starts_with("Could not create calibration summary record due to the following error: ") ||
                        ((!seeded || v != t) && error.starts_with("Unable to get the ATAG for asset '")))
                << error;
            EXPECT_EQ(added, 0) << "a refused calibration leaves every table as it was";
            f.act("/FLUSHFULLRES");
            continue;
        }
        ++stored;
        const std::string ctag = v + ":" + std::to_string(regional::secondsSince1970(f.clock->value));
        EXPECT_EQ(added, 1);
        const Rows cal = db->rows("SELECT ATAG, CTAG, C2301, C2333, C2312, C2320, C2323, C2329, C2342, C2341, C2400, "
                                  "C2307 FROM ob.Calibration WHERE CTAG=" +
                                  odbc::quoteLiteral(ctag));
        EXPECT_TRUE((cal == Rows{{"TH" + n, ctag, v, v, v, v, v, v, v, v, v, db->user()}}));

        // Standard 1's ATAG is the text; standard 2 is found by it.
        f.set("Standards", "Count", "2");
        f.set("Standards", "AssetNumber1", "S" + n);
        f.set("Standards", "AssetNumber2", t);
        EXPECT_EQ(act("/WRITESTD", error), 1);
        EXPECT_EQ(error, "");
        Rows standards = db->rows("SELECT ATAG, CTAG, C2430 FROM ob.Standards WHERE CTAG=" + odbc::quoteLiteral(ctag));
        Rows expected{{"TH" + n, ctag, t}, {"TH" + n, ctag, v == t ? "TH" + n : ""}};
        std::sort(standards.begin(), standards.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_TRUE(standards == expected);

        f.set("FullResults", "Order", "1");
        f.set("FullResults", "NumSamples", "2");
        for (const char* key : {"Setpoint", "ReferencePrefix", "UUTUnits", "Comment"}) // a figure, a prefix, ...
            f.set("FullResults", key, t);
        EXPECT_EQ(act("/CREATEFULLRES", error), 1);
        EXPECT_EQ(error, "");
        const Rows results = db->rows("SELECT expv, Sys_actual_p, uut_ind_u, remark FROM ob.Results WHERE CTAG=" +
                                      odbc::quoteLiteral(ctag));
        EXPECT_TRUE(results == Rows{Row(4, v)});
        EXPECT_EQ(f.act("/FLUSHFULLRES"), "");
    }
    reportSize(std::to_string(hostileTexts().size()) + " hostile texts through /LOCASSET, /CREATECAL, /WRITESTD, "
               "/CREATEFULLRES: " + std::to_string(stored) + " calibrations stored exactly, the rest refused clearly");
}

// Hostile column codes and end times over an older record: each /CREATECAL refused, the older record kept.
TEST_P(HostileInput, hostileColumnCodesAndEndTimesAreRefusedAndChangeNothing)
{
    setCalibration(f);
    f.set("Calibration", "Coefficients", "1;2");
    ASSERT_EQ(f.act("/CREATECAL"), "");
    f.set("FullResults", "Order", "1");
    ASSERT_EQ(f.act("/CREATEFULLRES"), "");
    f.set("Standards", "Count", "1");
    f.set("Standards", "AssetNumber1", "A1000");
    ASSERT_EQ(f.act("/WRITESTD"), "");
    int attempts = 0;
    const auto attempt = [&](const std::string& what) {
        f.clock->value.second = (30 + attempts++) % 60;
        std::string error;
        EXPECT_EQ(act("/CREATECAL", error), 0) << what;
        EXPECT_TRUE(error.starts_with("Could not create calibration summary record due to the following error: "))
            << what << ": " << error;
    };
    // Each road a code takes: a column of [Mapping], one of the coefficient columns, a custom field.
    const std::string codes[] = {"C2311'", "C2311;--", "C2311) VALUES ('x'); --", "C23\xff", std::string("C2311\0x", 7),
                                 "", std::string(65536, 'C') + "'"};
    const char* const keys[][3] = {
        {"Mapping", "WorkOrderField", "X"}, {"Mapping", "CoefficientsField", "2341"}, {"CustomCalFields", "Field1", "2400"}};
    f.set("CustomCalFields", "Value1", "v");
    for (const auto& [section, key, restore] : keys) {
        for (const std::string& code : codes) {
            f.set(section, key, code);
            attempt(std::string(key) + " code #" + std::to_string(&code - codes));
        }
        f.set(section, key, restore);
    }
    f.set("Mapping", "EndTimeField", "C2343");
    for (std::size_t i = 0; i < hostileTexts().size(); ++i) {
        f.set("Calibration", "EndTime", hostileTexts()[i]);
        attempt("EndTime hostile text #" + std::to_string(i));
    }
    reportSize(std::to_string(attempts) + " /CREATECAL attempts (hostile column codes and end times) over an "
               "existing record: every one refused, every table unchanged");
}

INSTANTIATE_TEST_SUITE_P(Engines, HostileInput, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
