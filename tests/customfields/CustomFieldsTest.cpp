// The required fields editor's rules: checks after an edit, key filter, lists, hover text; a field's
// default value, whose tokens are replaced when the value is set; the required custom fields of a new
// calibration record, asked of the operator during /CREATECAL (scripted) and stored with the record.
#include <gtest/gtest.h>

#include "customfields/EditorRules.h"
#include "support/LinkFixture.h"

namespace ob::test {
namespace {

using namespace editor;
using regional::CivilDateTime;
using regional::RegionalSettings;

const RegionalSettings kUS = RegionalSettings::enUS(), kDE = RegionalSettings::deDE();

FieldDefinition fieldOf(const std::string& type, int maxLength = 50, const std::string& validation = "NONE",
                        std::vector<std::string> items = {})
{
    FieldDefinition f;
    f.setFieldName("F"); // messages name the grid's field name, not this one
    f.setFieldType(type);
    f.setMaxLength(maxLength);
    f.setValidation(validation);
    f.ValidationItems() = std::move(items);
    return f;
}

TEST(EditorRules, checkAfterEdit)
{
    const std::string cut = "The value entered for C2401 is too long. It has been truncated to ";
    const std::string bad = "The value entered for C2401 is invalid. Please enter a valid ";
    const char* const kText10 = "Text, at most 10 characters";
    const struct {
        const char* type;
        int maxLength;
        const char* typed;
        const RegionalSettings& rs;
        const char* result;
        std::string message;  // title, then text; empty: none
        const char* describe; // the hover text; nullptr: not checked
    } cases[] = {
        {"STRING", 10, "Calibrated-OK-2026", kUS, "Calibrated", "Value Too Long" + cut + "10 characters.", kText10},
        {"STRING", 10, "Calibrated", kUS, "Calibrated", "", kText10},
        {"STRING", 5, "Gr\xC3\xB6\xC3\x9F" "e", kUS, "Gr\xC3\xB6\xC3\x9F" "e", "", "Text, at most 5 characters"},
        {"STRING", 3, "Gr\xC3\xB6\xC3\x9F" "e", kUS, "Gr\xC3\xB6", "Value Too Long" + cut + "3 characters.", nullptr},
        {"MEMO", -1, "x", kUS, "", "Value Too Long" + cut + "-1 characters.", "Text, at most 0 characters"},
        {"STRING ", 1, "far too long", kUS, "far too long", "", "Text"},
        {"date", 10, "3/4/2026", kUS, "2026-03-04", "", "Date"},
        {"RO_DATE", 10, "3.4.2026", kDE, "2026-04-03", "", "Date"},
        {"SRCH_DATE", 10, "12/31/2026", kUS, "2026-12-31", "", "Date"},
        {"DATE", 10, "31/31/2026", kUS, "", "Date Value Invalid" + bad + "date.", nullptr},
        {"DATE", 10, "14:05", kUS, "", "Date Value Invalid" + bad + "date.", nullptr}, // a time is no date
        {"time", 10, "7:5 pm", kUS, "19:05", "", "Time"},
        {"TIME", 10, "07:05:59", kDE, "07:05", "", nullptr},
        {"TIME", 10, "25:61", kUS, "", "Time Value Invalid" + bad + "time.", nullptr},
        {"TIME", 10, "5.12.2026", kDE, "", "Time Value Invalid" + bad + "time.", nullptr}, // a date is no time
        {"TIME", 10, "12/5/2026 2:03 PM", kUS, "", "Time Value Invalid" + bad + "time.", nullptr},
        {"INT", 1, "12.5", kUS, "12.5", "", "Number"},
        {"rtdbl", 1, "12,5", kDE, "12,5", "", "Number"},
        {"DECIMAL4", 10, "12 pcs", kUS, "", "Numeric Value Invalid" + bad + "numeric value.", "Number"}};
    for (const auto& c : cases) {
        const EditOutcome out = checkAfterEdit(fieldOf(c.type, c.maxLength), "C2401", c.typed, c.rs, 2026);
        EXPECT_EQ(out.text, c.result) << c.type << " " << c.typed;
        EXPECT_EQ(out.message ? out.message->title + out.message->text : "", c.message) << c.type << " " << c.typed;
        EXPECT_TRUE(!c.describe || describeField(fieldOf(c.type, c.maxLength)) == c.describe) << c.describe;
    }
    for (const char* type : {"SPVAL", "STRING", "MEMO", "STANDARD", "UCVAL", "RO", "SRCH", "Memo"}) {
        EXPECT_EQ(checkAfterEdit(fieldOf(type, 4), "C2401", "abcdef", kUS, 2026).text, "abcd") << type;
    }
    // An emptied cell is left to the OK check as missing: no "invalid" box for a value nobody typed.
    for (const char* type : {"INT", "DECIMAL4", "RTDBL", "DATE", "TIME", "STRING", "MEMO"}) {
        const EditOutcome out = checkAfterEdit(fieldOf(type, -1), "C2401", "", kUS, 2026);
        EXPECT_EQ(out.text + (out.message ? out.message->title : ""), "") << type;
    }
}

TEST(EditorRules, keyFilterDropsApostrophesAndTypesTheDecimalSeparator)
{
    RegionalSettings arabic = kUS;
    arabic.decimalSeparator = "\xD9\xAB"; // two bytes
    arabic.groupingSeparator = " ";
    const struct {
        const char* type;
        char key;
        const RegionalSettings& rs;
        std::optional<std::string> typed;
    } cases[] = {{"STRING", '\'', kUS, std::nullopt}, {"INT", '\'', kDE, std::nullopt}, {"DECIMAL4", '.', kDE, ","},
                 {"rtdbl", '.', kDE, ","}, {"INT", '.', kUS, "."}, {"INT", '.', arabic, "\xD9\xAB"},
                 {"STRING", '.', kDE, "."}, {"DATE", '.', kDE, "."}, {"DECIMAL4", ',', kDE, ","},
                 {"DECIMAL4", '7', kDE, "7"}};
    for (const auto& c : cases) {
        EXPECT_EQ(filterKey(fieldOf(c.type), c.key, c.rs), c.typed) << c.type << " " << c.key;
    }
}

TEST(EditorRules, dropDownFollowsTheValidationKind)
{
    const struct {
        const char* validation;
        std::vector<std::string> items;
        DropDownKind kind;
        const char* listText;
        const char* described; // after the field's kind in the hover text
    } cases[] = {{"PICK", {"Pass", "Fail"}, DropDownKind::Editable, "|Pass|Fail", "\nList: Pass, Fail, or other text"},
                 {"pick", {""}, DropDownKind::Editable, "|", "\nList: , or other text"},
                 {"Fixed", {"Pass", "Fail", "N/A"}, DropDownKind::Fixed, "Pass|Fail|N/A", "\nList: Pass, Fail, N/A"},
                 {"PICK", {}, DropDownKind::None, "", ""}, {"FIXED", {}, DropDownKind::None, "", ""},
                 {"FIXED", {""}, DropDownKind::None, "", ""}, {"ROOT", {"A", "B"}, DropDownKind::None, "", ""},
                 {" PICK", {"A"}, DropDownKind::None, "", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.validation) + " " + std::to_string(c.items.size()));
        const DropDown d = dropDownFor(fieldOf("STRING", 10, c.validation, c.items));
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.listText, c.listText);
        EXPECT_EQ(d.items, c.kind == DropDownKind::None ? std::vector<std::string>{} : c.items);
        EXPECT_EQ(describeField(fieldOf("STRING", 10, c.validation, c.items)),
                  std::string("Text, at most 10 characters") + c.described);
    }
}

TEST(FieldDefinition, defaultValueTokensAreTranslatedWholeAndInAnyCase)
{
    const CivilDateTime morning{2027, 3, 5, 7, 4, 31};
    const struct {
        const char* given;
        const char* stored;
        CivilDateTime now;
    } cases[] = {
        {"U_NAM", "<enter user name>", morning}, {"u_fnam", "<enter user full name>", morning},
        {"U_Seg", "<enter user segregate>", morning}, {"u_wrk", "<enter user workstation>", morning},
        {"Dsk_Top", "<enter desktop>", morning}, {"99/99/99", "2027-03-05", morning},
        {"99/99/99", "0987-12-31", {987, 12, 31, 23, 59, 59}}, {"99:99", "07:04", morning},
        {"99:99", "19:00", {2027, 3, 5, 19, 0, 59}}, {"Abc", "Abc", morning}, {" u_fnam", " u_fnam", morning},
        {"U_NAME", "U_NAME", morning}, {"99/99/9999", "99/99/9999", morning}, {"99:99:99", "99:99:99", morning}};
    for (const auto& c : cases) {
        ob::FieldDefinition field;
        field.setDefaultValue(c.given, c.now);
        EXPECT_EQ(field.DefaultValue(), c.stored) << c.given;
    }
}

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
        f->windows->editorScripts.push_back([this, answer](const FieldCollection& fields) {
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
    f->windows->editorScripts.push_back([&](const FieldCollection&) {
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
