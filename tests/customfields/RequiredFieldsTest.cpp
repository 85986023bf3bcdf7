// The required custom fields of a new calibration record, asked of the
// operator during /CREATECAL (scripted) and stored with the record.
#include <gtest/gtest.h>

#include "support/LinkFixture.h"

namespace ob::test {
namespace {

class RequiredFields : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        db->exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
        f = loggedIn();
        f->set("Calibration",
               {{"AssetNumber", "A1000"}, {"StartDate", "12/5/2026"}, {"StartTime", "14:03:27"}, {"EndTime", "15:10"}});
        f->set("CustomCalFields", {{"Field1", "C2400"}, {"Value1", "from the peer"}});
    }

    // One definition, required unless `ireq` says otherwise; `dataCol` is a SQL literal or NULL.
    void define(const std::string& dataCol, const std::string& type = "STRING", const std::string& validation = "NONE",
                const std::string& maxlen = "20", const std::string& idefault = "", const std::string& ireq = "Y")
    {
        db->exec("INSERT INTO ob.XE2_Customiz (Fldnum, title, title2, title3, Ireq, Idefault, validation, datacol, "
                 "ftype, fform, maxlen, Desktop) VALUES ('1', 'Title', 'Titel 2', 'Titel 3', " +
                 odbc::quoteLiteral(ireq) + ", " +
                 odbc::quoteLiteral(idefault) + ", " + odbc::quoteLiteral(validation) + ", " + dataCol + ", " +
                 odbc::quoteLiteral(type) + ", '8', " + odbc::quoteLiteral(maxlen) + ", 'default')");
    }

    // The operator's script: records the fields shown and answers `answer`.
    void operatorAnswers(std::optional<std::vector<std::string>> answer)
    {
        f->windows->editorScripts.push_back([this, answer](const FieldCollection& fields, const std::string&) {
            shown.clear();
            for (const auto& slot : fields) {
                shown.push_back(slot.field);
            }
            return answer;
        });
    }

    std::string create()
    {
        ++f->clock->value.second; // a new record each time
        return f->act("/CREATECAL");
    }
    Rows stored() { return db->rows("SELECT C2400, C2401, C2402, C2403, C2311 FROM ob.Calibration"); }

    std::unique_ptr<LinkFixture> f;
    std::vector<std::shared_ptr<FieldDefinition>> shown;
};

TEST_P(RequiredFields, theOperatorCompletesTheUnassignedFieldsAndTheyAreStored)
{
    define("'C2400'"); // assigned by the peer's custom field
    define("'C2311'"); // assigned by the mapping
    define("'C2409'", "STRING", "NONE", "20", "", "O"); // optional
    EXPECT_EQ(create(), "");
    EXPECT_EQ(f->windows->editorsShown, 0) << "every required field assigned: no editor";

    define("'C2401'", "STRING", "FIXED", "20", "u_nam");
    define("'2402'", "STRING", "pick", "", "99/99/99"); // a name that starts with a digit is a number
    define("'C2403'", "STRING", "NONE", "9");
    db->exec("INSERT INTO ob.ValField (Fldnum, val) VALUES ('2401', 'A'), ('2401', NULL), ('2401', 'A'), "
             "('2402', 'B'), ('2403', 'not loaded')");
    operatorAnswers(std::vector<std::string>{"probe 7", "B", "O'B"});
    EXPECT_EQ(create(), "");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0]->FieldName(), "C2401");
    EXPECT_EQ(shown[0]->FieldTitle(), "Title");
    EXPECT_EQ(shown[0]->DefaultValue(), "<enter user name>");
    EXPECT_EQ(shown[1]->DefaultValue(), "2026-12-05");
    EXPECT_EQ(shown[0]->MaxLength(), 20);
    EXPECT_EQ(shown[0]->ValidationItems(), (std::vector<std::string>{"A", "", "A"}));
    EXPECT_EQ(shown[1]->ValidationItems(), (std::vector<std::string>{"B"}));
    EXPECT_TRUE(shown[2]->ValidationItems().empty()) << "NONE loads no pick list";
    EXPECT_EQ(stored(), (Rows{{"from the peer", "probe 7", "B", "O'B", "0"}}));
}

// Closed without OK, or nobody at the screen: the record goes without them, and the log says so.
TEST_P(RequiredFields, noValuesAndTheLogNamesTheEmptyFields)
{
    define("'C2401'");
    define("'2402'");
    for (const bool display : {true, false}) {
        f->windows->operatorDisplay = display;
        operatorAnswers(std::nullopt);
        EXPECT_EQ(create(), "");
        EXPECT_EQ(f->windows->editorsShown, 1) << display;
        EXPECT_EQ(stored(), (Rows{{"from the peer", std::nullopt, std::nullopt, std::nullopt, "0"}}));
        EXPECT_TRUE(f->logHas("Required fields editor closed without OK - required fields left empty: C2401, 2402"));
        EXPECT_EQ(f->logHas("No operator display is available - the required fields editor is closed without values"),
                  !display);
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
        operatorAnswers(std::vector<std::string>{"v"});
        const int before = f->windows->editorsShown;
        const std::string error = create();
        EXPECT_EQ(f->windows->editorsShown - before, c.title ? 1 : 0);
        if (c.title != nullptr) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(shown.at(0)->FieldTitle(), c.title);
        } else {
            f->windows->editorScripts.clear();
            EXPECT_TRUE(error.starts_with("Could not get values for custom fields due to the following error: "))
                << error;
        }
    }
}

// Nothing the operator does in the editor holds a database lock, and the replacement still runs.
TEST_P(RequiredFields, anotherClientWritesWhileTheEditorIsOpen)
{
    ASSERT_EQ(create(), "");
    define("'C2401'");
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
    EXPECT_EQ(create(), "");
    EXPECT_EQ(otherClient, "");
    EXPECT_EQ(stored(), (Rows{{"from the peer", "probe 7", std::nullopt, std::nullopt, "0"}}));
}

INSTANTIATE_TEST_SUITE_P(Engines, RequiredFields, ::testing::ValuesIn(TestDatabase::engines()), engineName);

} // namespace
} // namespace ob::test
