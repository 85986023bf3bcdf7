#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "customfields/EditorRules.h"

namespace {

using namespace ob::editor;
using ob::FieldDefinition;
using ob::regional::RegionalSettings;

const RegionalSettings kUS = RegionalSettings::enUS();
const RegionalSettings kDE = RegionalSettings::deDE();
const RegionalSettings kGB = RegionalSettings::enGB();
constexpr int kYear = 2026;

FieldDefinition fieldOf(const std::string& type, int maxLength = 50, const std::string& validation = "NONE",
                   std::vector<std::string> items = {})
{
    FieldDefinition f;
    f.setFieldName("C2401");
    f.setFieldType(type);
    f.setMaxLength(maxLength);
    f.setValidation(validation);
    f.ValidationItems() = std::move(items);
    return f;
}

EditOutcome check(const std::string& type, const std::string& text, const RegionalSettings& rs = kUS,
                  int maxLength = 50)
{
    return checkAfterEdit(fieldOf(type, maxLength), "C2401", text, rs, kYear);
}

// ---- length checks -------------------------------------------------------

TEST(EditorRules, longStringIsCutWithMessage)
{
    const EditOutcome out = check("STRING", "Calibrated-OK-2026", kUS, 10);
    EXPECT_EQ(out.text, "Calibrated");
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->title, "Value Too Long");
    EXPECT_EQ(out.message->text, "The value entered for C2401 is too long. It has been truncated to 10 characters.");
}

TEST(EditorRules, messageNamesTheGridsFieldName)
{
    const EditOutcome out = checkAfterEdit(fieldOf("MEMO", 2), "X9", "abc", kUS, kYear);
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->text, "The value entered for X9 is too long. It has been truncated to 2 characters.");
}

TEST(EditorRules, stringAtTheLimitPasses)
{
    const EditOutcome out = check("STRING", "Calibrated", kUS, 10);
    EXPECT_EQ(out.text, "Calibrated");
    EXPECT_FALSE(out.message.has_value());
}

TEST(EditorRules, zeroLengthLimitEmptiesEveryText)
{
    const EditOutcome out = check("STRING", "x", kUS, 0);
    EXPECT_EQ(out.text, "");
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->text, "The value entered for C2401 is too long. It has been truncated to 0 characters.");
    EXPECT_FALSE(check("STRING", "", kUS, 0).message.has_value());
}

TEST(EditorRules, lengthCountsCharactersNotBytes)
{
    const EditOutcome fits = check("STRING", "Gr\xC3\xB6\xC3\x9F" "e", kUS, 5);
    EXPECT_FALSE(fits.message.has_value());
    const EditOutcome cut = check("STRING", "Gr\xC3\xB6\xC3\x9F" "e", kUS, 3);
    EXPECT_EQ(cut.text, "Gr\xC3\xB6");
    EXPECT_TRUE(cut.message.has_value());
}

class LengthCheckedTypes : public testing::TestWithParam<const char*> {};

TEST_P(LengthCheckedTypes, cutToMaxLength)
{
    const EditOutcome out = check(GetParam(), "abcdef", kUS, 4);
    EXPECT_EQ(out.text, "abcd");
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->title, "Value Too Long");
}

INSTANTIATE_TEST_SUITE_P(Codes, LengthCheckedTypes,
                         testing::Values("SPVAL", "STRING", "MEMO", "STANDARD", "UCVAL", "RO", "SRCH", "string",
                                         "Memo"));

TEST(EditorRules, otherTypesAreNotChecked)
{
    for (const char* type : {"BOOL", "", "DATETIME", "STRING ", "CURRENCY"}) {
        const EditOutcome out = check(type, "anything at all, far too long", kUS, 1);
        EXPECT_EQ(out.text, "anything at all, far too long") << type;
        EXPECT_FALSE(out.message.has_value()) << type;
    }
}

// ---- dates ---------------------------------------------------------------

TEST(EditorRules, dateFollowsTheSystemsDateOrder)
{
    EXPECT_EQ(check("DATE", "3/4/2026", kUS).text, "2026-03-04");
    EXPECT_EQ(check("DATE", "3/4/2026", kGB).text, "2026-04-03");
    EXPECT_EQ(check("DATE", "3.4.2026", kDE).text, "2026-04-03");
    EXPECT_FALSE(check("DATE", "3/4/2026", kUS).message.has_value());
}

TEST(EditorRules, isoDateStaysAsItIs)
{
    EXPECT_EQ(check("DATE", "2026-12-31", kUS).text, "2026-12-31");
    EXPECT_EQ(check("DATE", "2026-12-31", kDE).text, "2026-12-31");
}

TEST(EditorRules, invalidDateEmptiesTheCell)
{
    const EditOutcome out = check("DATE", "31/31/2026", kUS);
    EXPECT_EQ(out.text, "");
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->title, "Date Value Invalid");
    EXPECT_EQ(out.message->text, "The value entered for C2401 is invalid. Please enter a valid date.");
    EXPECT_TRUE(check("DATE", "31/31/2026", kDE).message.has_value());
    EXPECT_TRUE(check("DATE", "not a date", kUS).message.has_value());
    EXPECT_TRUE(check("DATE", "", kUS).message.has_value());
}

TEST(EditorRules, dateLikeTypes)
{
    for (const char* type : {"RO_DATE", "SRCH_DATE", "date"}) {
        EXPECT_EQ(check(type, "12/25/2026", kUS).text, "2026-12-25") << type;
        EXPECT_EQ(check(type, "2/30/2026", kUS).message->title, "Date Value Invalid") << type;
    }
}

// ---- times ---------------------------------------------------------------

TEST(EditorRules, timeIsRewrittenAsHoursAndMinutes)
{
    EXPECT_EQ(check("TIME", "7:5 pm", kUS).text, "19:05");
    EXPECT_EQ(check("TIME", "2:30:45 PM", kUS).text, "14:30");
    EXPECT_EQ(check("TIME", "9:15 AM", kUS).text, "09:15");
    EXPECT_EQ(check("TIME", "12:00 AM", kUS).text, "00:00");
    EXPECT_EQ(check("TIME", "14:30", kDE).text, "14:30");
    EXPECT_EQ(check("TIME", "07:05:59", kDE).text, "07:05");
    EXPECT_FALSE(check("TIME", "14:30", kDE).message.has_value());
}

TEST(EditorRules, invalidTimeEmptiesTheCell)
{
    const EditOutcome out = check("TIME", "25:61", kUS);
    EXPECT_EQ(out.text, "");
    ASSERT_TRUE(out.message.has_value());
    EXPECT_EQ(out.message->title, "Time Value Invalid");
    EXPECT_EQ(out.message->text, "The value entered for C2401 is invalid. Please enter a valid time.");
    EXPECT_TRUE(check("TIME", "half past", kDE).message.has_value());
}

// ---- numbers -------------------------------------------------------------

TEST(EditorRules, numericValuesAreAcceptedUnchanged)
{
    EXPECT_EQ(check("INT", "12.5", kUS).text, "12.5");
    EXPECT_FALSE(check("INT", "12.5", kUS).message.has_value());
    EXPECT_EQ(check("DECIMAL4", "-1,234.5", kUS).text, "-1,234.5");
    EXPECT_EQ(check("RTDBL", "12,5", kDE).text, "12,5");
    EXPECT_FALSE(check("RTDBL", "12,5", kDE).message.has_value());
    EXPECT_FALSE(check("decimal4", " 42 ", kUS).message.has_value());
}

TEST(EditorRules, nonNumericValuesEmptyTheCell)
{
    for (const char* type : {"INT", "DECIMAL4", "RTDBL"}) {
        const EditOutcome out = check(type, "abc", kUS);
        EXPECT_EQ(out.text, "") << type;
        ASSERT_TRUE(out.message.has_value()) << type;
        EXPECT_EQ(out.message->title, "Numeric Value Invalid");
        EXPECT_EQ(out.message->text, "The value entered for C2401 is invalid. Please enter a valid numeric value.");
    }
    EXPECT_TRUE(check("INT", "", kUS).message.has_value());
    EXPECT_TRUE(check("INT", "1,2,x", kDE).message.has_value());
}

// ---- key filter ----------------------------------------------------------

TEST(EditorRules, apostropheIsDiscardedInEveryField)
{
    for (const char* type : {"STRING", "INT", "DECIMAL4", "DATE", "TIME", "OTHER", ""}) {
        EXPECT_FALSE(filterKey(fieldOf(type), '\'', kUS).has_value()) << type;
        EXPECT_FALSE(filterKey(fieldOf(type), '\'', kDE).has_value()) << type;
    }
}

TEST(EditorRules, pointTypesTheDecimalSeparatorInNumericFields)
{
    for (const char* type : {"DECIMAL4", "INT", "RTDBL", "rtdbl"}) {
        EXPECT_EQ(filterKey(fieldOf(type), '.', kDE), std::optional<std::string>(",")) << type;
        EXPECT_EQ(filterKey(fieldOf(type), '.', kUS), std::optional<std::string>(".")) << type;
    }
}

TEST(EditorRules, otherKeysPassUnchanged)
{
    EXPECT_EQ(filterKey(fieldOf("STRING"), '.', kDE), std::optional<std::string>("."));
    EXPECT_EQ(filterKey(fieldOf("DATE"), '.', kDE), std::optional<std::string>("."));
    EXPECT_EQ(filterKey(fieldOf("DECIMAL4"), ',', kDE), std::optional<std::string>(","));
    EXPECT_EQ(filterKey(fieldOf("DECIMAL4"), '7', kDE), std::optional<std::string>("7"));
    EXPECT_EQ(filterKey(fieldOf("STRING"), '"', kUS), std::optional<std::string>("\""));
}

TEST(EditorRules, decimalSeparatorComesFromTheFixedFormat)
{
    EXPECT_EQ(GetDecimalSeparator(kUS), ".");
    EXPECT_EQ(GetDecimalSeparator(kDE), ",");
    RegionalSettings odd = kUS;
    odd.decimalSeparator = "\xD9\xAB"; // ARABIC DECIMAL SEPARATOR, two bytes
    odd.groupingSeparator = " ";
    EXPECT_EQ(GetDecimalSeparator(odd), "\xD9\xAB");
}

// ---- drop-down lists -----------------------------------------------------

TEST(EditorRules, pickOffersAnEditableList)
{
    const DropDown d = dropDownFor(fieldOf("STRING", 10, "PICK", {"Pass", "Fail"}));
    EXPECT_EQ(d.kind, DropDownKind::Editable);
    EXPECT_EQ(d.listText, "|Pass|Fail");
    EXPECT_EQ(d.items, (std::vector<std::string>{"Pass", "Fail"}));
    EXPECT_EQ(dropDownFor(fieldOf("STRING", 10, "pick", {"A"})).listText, "|A");
}

TEST(EditorRules, fixedOffersAFixedList)
{
    const DropDown d = dropDownFor(fieldOf("STRING", 10, "Fixed", {"Pass", "Fail", "N/A"}));
    EXPECT_EQ(d.kind, DropDownKind::Fixed);
    EXPECT_EQ(d.listText, "Pass|Fail|N/A");
    EXPECT_EQ(d.items.size(), 3U);
}

TEST(EditorRules, emptyPickListsAreEditedAsPlainText)
{
    EXPECT_EQ(dropDownFor(fieldOf("STRING", 10, "PICK")).kind, DropDownKind::None);
    EXPECT_EQ(dropDownFor(fieldOf("STRING", 10, "FIXED")).kind, DropDownKind::None);
    EXPECT_EQ(dropDownFor(fieldOf("STRING", 10, "FIXED")).listText, "");
    EXPECT_EQ(dropDownFor(fieldOf("STRING", 10, "FIXED", {""})).kind, DropDownKind::None);
    EXPECT_EQ(dropDownFor(fieldOf("STRING", 10, "PICK", {""})).listText, "|");
}

TEST(EditorRules, otherKindsIgnoreTheirPickList)
{
    for (const char* kind : {"NONE", "NEVER", "ROOT", "LINKED", "SIMPLE", "", "OTHER", " PICK"}) {
        const DropDown d = dropDownFor(fieldOf("STRING", 10, kind, {"A", "B"}));
        EXPECT_EQ(d.kind, DropDownKind::None) << kind;
        EXPECT_EQ(d.listText, "") << kind;
    }
}

// ---- tooltip ------------------------------------------------------------

TEST(EditorRules, describeFieldNamesItsKindAndList)
{
    struct Case {
        FieldDefinition field;
        const char* text;
    };
    const Case cases[] = {
        {fieldOf("STRING", 10), "Text, at most 10 characters"},
        {fieldOf("memo", -1), "Text, at most 0 characters"},
        {fieldOf("RO_DATE"), "Date"},
        {fieldOf("TIME"), "Time"},
        {fieldOf("RTDBL"), "Number"},
        {fieldOf("BOOL"), "Text"},
        {fieldOf("STRING", 4, "FIXED", {"Pass", "Fail"}), "Text, at most 4 characters\nList: Pass, Fail"},
        {fieldOf("INT", 4, "PICK", {"1", "2"}), "Number\nList: 1, 2, or other text"},
        {fieldOf("DATE", 10, "PICK"), "Date"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describeField(c.field), c.text) << c.field.FieldType();
    }
}

// ---- OK rule -------------------------------------------------------------

TEST(EditorRules, firstEmptyValueIsReported)
{
    const auto missing = firstMissingValue({"C1", "C2", "C3"}, {"x", "", ""});
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->first, 1U);
    EXPECT_EQ(missing->second.title, "Value Missing");
    EXPECT_EQ(missing->second.text, "You must enter a value for the field 'C2'.");
}

TEST(EditorRules, blanksAndPromptsCountAsValues)
{
    EXPECT_FALSE(firstMissingValue({"C1", "C2"}, {" ", "<enter user name>"}).has_value());
    EXPECT_FALSE(firstMissingValue({}, {}).has_value());
}

} // namespace
