// The required custom fields of a new calibration record and their pick
// lists, read from a real database; the operator is scripted.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {
namespace {

class RequiredFields : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>(GetParam());
        db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
                 ", 3, 'Chris')");
        f = std::make_unique<LinkFixture>();
        f->start();
        ASSERT_EQ(f->login(db->dbLogin(), db->user(), db->password()), "");
    }

    // One definition row; `dataCol` is a SQL literal or NULL.
    void define(const std::string& dataCol, const std::string& title = "Title", const std::string& type = "STRING",
                const std::string& validation = "NONE", const std::string& maxlen = "20",
                const std::string& idefault = "")
    {
        db->exec("INSERT INTO ob.XE2_Customiz (Fldnum, title, title2, title3, Ireq, Idefault, validation, datacol, "
                 "ftype, fform, maxlen, Desktop) VALUES ('1', " + odbc::quoteLiteral(title) + ", 'Titel 2', " +
                 "'Titel 3', 'Y', " + odbc::quoteLiteral(idefault) + ", " + odbc::quoteLiteral(validation) + ", " +
                 dataCol + ", " + odbc::quoteLiteral(type) + ", '8', " + odbc::quoteLiteral(maxlen) + ", 'default')");
    }

    struct Outcome {
        bool result;
        std::string columns;
        std::string values;
    };
    Outcome run(std::string columns = "atag, ctag, C1234, ", std::string values = "'T1', 'A1:1', 'x', ")
    {
        const bool result = f->link().GetRequiredCustomFields("A1000", columns, values);
        return {result, columns, values};
    }

    // The operator's script that records the fields shown and answers `values`.
    void operatorAnswers(std::optional<std::vector<std::string>> values)
    {
        f->windows->editorScripts.push_back(
            [this, values](const CFields& fields, const std::string& instructions) {
                shown.clear();
                for (const auto& slot : fields) {
                    shown.push_back(slot.field);
                }
                shownInstructions = instructions;
                return values;
            });
    }

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<LinkFixture> f;
    std::vector<std::shared_ptr<CFieldInfo>> shown;
    std::string shownInstructions;
};

TEST_P(RequiredFields, noDefinitionsChangeNothing)
{
    const auto before = f->logLines().size();
    const Outcome out = run();
    EXPECT_TRUE(out.result);
    EXPECT_EQ(out.columns, "atag, ctag, C1234, ");
    EXPECT_EQ(f->windows->editorsShown, 0);
    const auto lines = f->logLines();
    EXPECT_EQ(lines.back(), "SELECT * FROM ob.XE2_Customiz WHERE fform='8' AND ireq='Y' AND Desktop='default';");
    EXPECT_EQ(lines.size(), before + 4);
}

TEST_P(RequiredFields, assignedFieldsAreFoundBySubstringAndCase)
{
    define("'C1234'");
    define("'C123'");  // a substring of C1234: counts as assigned
    define("''");      // empty: found in any list
    define("NULL");    // null: counts as found
    define("'c1234'"); // the test is case-sensitive: needs the editor
    operatorAnswers(std::vector<std::string>{"v"});
    const Outcome out = run();
    EXPECT_TRUE(out.result);
    for (const char* line : {"Field C1234 is already assigned a value...", "Field C123 is already assigned a value...",
                             "Field  is already assigned a value..."}) {
        EXPECT_TRUE(f->logHas(line)) << line;
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->FieldName(), "c1234");
    EXPECT_EQ(shownInstructions,
              "The following required fields must be populated to create a new calibration record for asset A1000.");
    EXPECT_EQ(out.columns, "atag, ctag, C1234, C1234, ");
    EXPECT_EQ(out.values, "'T1', 'A1:1', 'x', 'v', ");
    EXPECT_TRUE(f->logHas("Adding to insert command: C1234 => v"));
}

TEST_P(RequiredFields, everyFieldAssignedLoadsButNeverShowsTheEditor)
{
    define("'C1234'");
    const Outcome out = run();
    EXPECT_TRUE(out.result);
    EXPECT_EQ(f->windows->editorsShown, 0);
    EXPECT_TRUE(f->logHas("There are 1 defined custom calibration fields..."));
}

TEST_P(RequiredFields, theOperatorConfirmsThreeFields)
{
    define("'C2401'", "Probe", "INT", "NONE", "20", "u_nam");
    define("'2402'", "Grade", "STRING", "pick", "", "99/99/99");
    define("'C2403'", "Result", "STRING", "Fixed");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2403', 'Pass')");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2402', 'A')");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2402', 'B')");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2402', 'A')");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2401', 'not mine')");
    operatorAnswers(std::vector<std::string>{"12", "A", "Pass"});
    const Outcome out = run();
    EXPECT_TRUE(out.result);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0]->DefaultValue(), "<enter user name>");
    EXPECT_EQ(shown[0]->MaxLength(), 20);
    EXPECT_TRUE(shown[0]->ValidationItems().empty()) << "NONE loads no pick list";
    EXPECT_EQ(shown[1]->DefaultValue(), "2026-12-05");
    EXPECT_EQ(shown[1]->MaxLength(), 0);
    EXPECT_EQ(shown[1]->ValidationItems(), (std::vector<std::string>{"A", "B", "A"}));
    EXPECT_EQ(shown[2]->ValidationItems(), (std::vector<std::string>{"Pass"})) << "a fixed list is loaded too";
    EXPECT_EQ(out.columns, "atag, ctag, C1234, C2401, C2402, C2403, ");
    EXPECT_EQ(out.values, "'T1', 'A1:1', 'x', '12', 'A', 'Pass', ");
    EXPECT_TRUE(f->logHas("SELECT * FROM ob.ValField WHERE Fldnum='2402';"));
    EXPECT_TRUE(f->logHas("There are 3 defined validation items for this field..."));
    EXPECT_TRUE(f->logHas("Default value: <enter user name>"));
    EXPECT_TRUE(f->logHas("MaxLength: 0"));
}

TEST_P(RequiredFields, theCloseBoxGivesNoValuesAndTheLogNamesTheEmptyFields)
{
    define("'C2401'");
    define("'2402'");
    define("'C1234'");
    operatorAnswers(std::nullopt);
    const Outcome out = run();
    EXPECT_TRUE(out.result);
    EXPECT_EQ(f->windows->editorsShown, 1);
    EXPECT_EQ(out.columns, "atag, ctag, C1234, ");
    EXPECT_TRUE(f->logHas("Required fields editor closed without OK - required fields left empty: C2401, 2402"));

    // Confirmed: no such line.
    operatorAnswers(std::vector<std::string>{"v", "w"});
    const auto before = f->logLines().size();
    run();
    const auto lines = f->logLines();
    EXPECT_EQ(std::count_if(lines.begin() + static_cast<long>(before), lines.end(),
                            [](const std::string& line) { return line.starts_with("Required fields editor closed"); }),
              0);
}

TEST_P(RequiredFields, withoutADisplayTheEditorIsClosedAtOnce)
{
    define("'C2401'");
    f->windows->operatorDisplay = false;
    const Outcome out = run();
    EXPECT_TRUE(out.result);
    EXPECT_EQ(f->windows->editorsShown, 0);
    EXPECT_EQ(out.columns, "atag, ctag, C1234, ");
    EXPECT_TRUE(f->logHas("No operator display is available - the required fields editor is closed without values"));
    EXPECT_TRUE(f->logHas("Required fields editor closed without OK - required fields left empty: C2401"));
}

TEST_P(RequiredFields, titleSets)
{
    define("'C2401'", "Probe");
    const struct {
        std::optional<std::string> titleSet;
        std::string title; // empty: the operation fails
    } cases[] = {{std::nullopt, "Probe"}, {"1", "Probe"}, {"3", "Titel 3"}, {"2", "Titel 2"}, {"7", ""}};
    for (const auto& c : cases) {
        if (c.titleSet) {
            f->setNexova("Language", "Titleset", *c.titleSet);
        }
        operatorAnswers(std::vector<std::string>{"v"});
        f->set("General", "Error", "");
        const Outcome out = run();
        if (c.title.empty()) {
            EXPECT_FALSE(out.result);
            EXPECT_EQ(f->get("General", "Error")->rfind(
                          "Could not get values for custom fields due to the following error: ", 0),
                      0u);
            EXPECT_EQ(out.columns, "atag, ctag, C1234, ");
        } else {
            EXPECT_TRUE(out.result);
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0]->FieldTitle(), c.title) << c.titleSet.value_or("(none)");
        }
        f->windows->editorScripts.clear();
    }
}

TEST_P(RequiredFields, duplicateAndUnsafeNamesFailBeforeTheEditor)
{
    for (const char* second : {"'C2401'", "'c2401'", "'24 01; DROP'"}) {
        db->exec("DELETE FROM ob.XE2_Customiz");
        define("'C2401'");
        define(second);
        operatorAnswers(std::vector<std::string>{"v", "w"});
        const Outcome out = run();
        EXPECT_FALSE(out.result) << second;
        EXPECT_EQ(f->windows->editorsShown, 0);
        EXPECT_EQ(out.columns, "atag, ctag, C1234, ");
        const std::string error = f->get("General", "Error").value_or("");
        EXPECT_EQ(error.rfind("Could not get values for custom fields due to the following error: ", 0), 0u) << error;
        f->windows->editorScripts.clear();
    }
}

TEST_P(RequiredFields, pickLists)
{
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2401', 'A')");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2401', NULL)");
    std::vector<std::string> items{"stale"};
    f->link().LoadValidationItems(&items, "C2401");
    EXPECT_EQ(items, (std::vector<std::string>{"A", ""}));
    f->link().LoadValidationItems(&items, "2401");
    EXPECT_EQ(items, (std::vector<std::string>{"A", ""}));
    EXPECT_TRUE(f->logHas("SELECT * FROM ob.ValField WHERE Fldnum='2401';"));

    f->link().LoadValidationItems(&items, "C9999");
    EXPECT_TRUE(items.empty()) << "no rows: the list ends empty";

    items = {"stale"};
    f->link().LoadValidationItems(&items, "");
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(f->get("General", "Error")->rfind(
                  "Could not get validation pick list values for custom field '' due to the following error: ", 0),
              0u);

    const auto before = f->logLines().size();
    f->link().LoadValidationItems(nullptr, "C2401");
    EXPECT_EQ(f->logLines().size(), before + 1);
    EXPECT_EQ(f->logLines().back(), "The validation pick list values collection is invalid.");
}

TEST_P(RequiredFields, aDefaultWithAnApostropheReachesTheRecordExactly)
{
    db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
    define("'C2401'", "Probe", "STRING", "NONE", "40", "O'Brien's probe");
    f->windows->editorScripts.push_back([](const CFields& fields, const std::string&) {
        return std::optional<std::vector<std::string>>{{fields.Item(1)->DefaultValue()}};
    });
    f->set("Calibration", "AssetNumber", "A1000");
    f->set("Calibration", "EndTime", "15:00");
    EXPECT_EQ(f->act("/CREATECAL"), "");
    EXPECT_EQ(db->rows("SELECT C2401 FROM ob.Calibration")[0][0], "O'Brien's probe");
}

INSTANTIATE_TEST_SUITE_P(Engines, RequiredFields, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
