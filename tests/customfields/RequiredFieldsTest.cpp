// The required custom fields of a new calibration record, read from a real
// database; the operator is scripted.
#include <gtest/gtest.h>

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
    void define(const std::string& dataCol, const std::string& type = "STRING", const std::string& validation = "NONE",
                const std::string& maxlen = "20", const std::string& idefault = "")
    {
        db->exec("INSERT INTO ob.XE2_Customiz (Fldnum, title, title2, title3, Ireq, Idefault, validation, datacol, "
                 "ftype, fform, maxlen, Desktop) VALUES ('1', 'Title', 'Titel 2', 'Titel 3', 'Y', " +
                 odbc::quoteLiteral(idefault) + ", " + odbc::quoteLiteral(validation) + ", " + dataCol + ", " +
                 odbc::quoteLiteral(type) + ", '8', " + odbc::quoteLiteral(maxlen) + ", 'default')");
    }

    // GetRequiredCustomFields on the columns of a new record; `entered` shows what the operator gave.
    bool run()
    {
        entered.clear();
        return f->link().requiredFields().GetRequiredCustomFields("A1000", "atag, ctag, C1234, ", entered);
    }

    // The operator's script: records the fields shown and answers `answer`.
    void operatorAnswers(std::optional<std::vector<std::string>> answer)
    {
        f->windows->editorScripts.push_back([this, answer](const FieldCollection& fields, const std::string& text) {
            shown.clear();
            for (const auto& slot : fields) {
                shown.push_back(slot.field);
            }
            instructions = text;
            return answer;
        });
    }

    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<LinkFixture> f;
    std::string instructions;
    std::vector<ob::RequiredFields::Entry> entered;
    std::vector<std::shared_ptr<FieldDefinition>> shown;
};

TEST_P(RequiredFields, theOperatorCompletesTheUnassignedFields)
{
    EXPECT_TRUE(run());
    EXPECT_TRUE(entered.empty());
    EXPECT_EQ(f->logLines().back(),
              "SELECT * FROM ob.XE2_Customiz WHERE fform='8' AND ireq='Y' AND Desktop='default';");
    define("'C1234'");
    EXPECT_TRUE(run());
    EXPECT_EQ(f->windows->editorsShown, 0) << "every field assigned: no editor";

    define("'C123'"); // a substring of C1234: counts as assigned
    define("''");     // empty: found in any list
    define("NULL");   // null: counts as found
    define("'c1234'", "INT", "FIXED", "20", "u_nam"); // the test is case-sensitive
    define("'9402'", "STRING", "pick", "", "99/99/99"); // a name that starts with a digit is a number
    define("'C2403'", "STRING", "NONE", "9");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('1234', 'A'), ('1234', NULL), ('1234', 'A'), "
             "('9402', 'B'), ('2403', 'not loaded'), ('c1234', 'not mine')");
    operatorAnswers(std::vector<std::string>{"12", "B", "O'B"});
    EXPECT_TRUE(run());
    for (const char* line : {"Field C1234 is already assigned a value...", "Field C123 is already assigned a value...",
                             "Field  is already assigned a value...", "Adding to insert command: C9402 => B",
                             "SELECT * FROM ob.ValField WHERE Fldnum='1234';"}) {
        EXPECT_TRUE(f->logHas(line)) << line;
    }
    EXPECT_EQ(instructions,
              "The following required fields must be populated to create a new calibration record for asset A1000.");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0]->FieldName(), "c1234");
    EXPECT_EQ(shown[0]->FieldTitle(), "Title");
    EXPECT_EQ(shown[0]->DefaultValue(), "<enter user name>");
    EXPECT_EQ(shown[1]->DefaultValue(), "2026-12-05");
    EXPECT_EQ(shown[0]->MaxLength(), 20);
    EXPECT_EQ(shown[1]->MaxLength(), 0);
    EXPECT_EQ(shown[0]->ValidationItems(), (std::vector<std::string>{"A", "", "A"}));
    EXPECT_EQ(shown[1]->ValidationItems(), (std::vector<std::string>{"B"}));
    EXPECT_TRUE(shown[2]->ValidationItems().empty()) << "NONE loads no pick list";
    EXPECT_EQ(entered, (std::vector<ob::RequiredFields::Entry>{{"C1234", "12"}, {"C9402", "B"}, {"C2403", "O'B"}}));
    EXPECT_EQ(f->logText().find("Required fields editor closed"), std::string::npos);
}

// Closed without OK, or nobody at the screen: the record goes without them, and the log says so.
TEST_P(RequiredFields, noValuesAndTheLogNamesTheEmptyFields)
{
    define("'C2401'");
    define("'0402'");
    define("'C1234'");
    for (const bool display : {true, false}) {
        f->windows->operatorDisplay = display;
        operatorAnswers(std::nullopt);
        EXPECT_TRUE(run());
        EXPECT_EQ(f->windows->editorsShown, 1) << display;
        EXPECT_TRUE(entered.empty());
        const auto lines = f->logLines();
        EXPECT_EQ(lines.back(), "Required fields editor closed without OK - required fields left empty: C2401, 0402");
        EXPECT_EQ(lines.end()[-2] == "No operator display is available - the required fields editor is closed without "
                                     "values", !display);
    }
}

// The title set picks the title column; an unknown set, a name twice (in any case) or a name that is
// no plain column fails before the editor opens.
TEST_P(RequiredFields, titleSetsAndFailures)
{
    const struct {
        const char *titleSet, *second, *title; // title nullptr: fails
    } cases[] = {{"", "NULL", "Title"},      {"1", "NULL", "Title"},  {"3", "NULL", "Titel 3"},
                 {"2", "NULL", "Titel 2"},   {"7", "NULL", nullptr},  {"1", "'C2401'", nullptr},
                 {"1", "'c2401'", nullptr}, {"1", "'24 01; DROP'", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.titleSet) + " " + c.second);
        db->exec("DELETE FROM ob.XE2_Customiz");
        define("'C2401'");
        define(c.second);
        f->setNexova("Language", "Titleset", c.titleSet);
        f->set("General", "Error", "");
        operatorAnswers(std::vector<std::string>{"v"});
        const int before = f->windows->editorsShown;
        EXPECT_EQ(run(), c.title != nullptr);
        EXPECT_EQ(f->windows->editorsShown - before, c.title ? 1 : 0);
        if (c.title != nullptr) {
            EXPECT_EQ(shown.at(0)->FieldTitle(), c.title);
            continue;
        }
        EXPECT_TRUE(entered.empty());
        EXPECT_TRUE(f->get("General", "Error")->starts_with(
            "Could not get values for custom fields due to the following error: "));
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, RequiredFields, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
