#include <gtest/gtest.h>

#include "customfields/FieldDefinition.h"

namespace {

using ob::FieldDefinition;
using ob::regional::CivilDateTime;

const CivilDateTime kMorning{2027, 3, 5, 7, 4, 31};
const CivilDateTime kEvening{2027, 3, 5, 19, 4, 0};

std::string translated(const std::string& given, const CivilDateTime& now = kMorning)
{
    FieldDefinition field;
    field.setDefaultValue(given, now);
    return field.DefaultValue();
}

TEST(FieldDefinition, startsEmptyWithUsablePickList)
{
    FieldDefinition field;
    EXPECT_EQ(field.DefaultValue(), "");
    EXPECT_EQ(field.FieldName(), "");
    EXPECT_EQ(field.FieldTitle(), "");
    EXPECT_EQ(field.FieldType(), "");
    EXPECT_EQ(field.Validation(), "");
    EXPECT_EQ(field.MaxLength(), 0);
    EXPECT_TRUE(field.ValidationItems().empty());
    field.ValidationItems().push_back("A");
    field.ValidationItems().push_back("B");
    const FieldDefinition& view = field;
    ASSERT_EQ(view.ValidationItems().size(), 2U);
    EXPECT_EQ(view.ValidationItems()[1], "B");
}

TEST(FieldDefinition, plainSettersStoreUnchanged)
{
    FieldDefinition field;
    field.setFieldName("c2401");
    field.setFieldTitle(" Operator ");
    field.setFieldType("string");
    field.setValidation("Pick");
    field.setMaxLength(-3);
    EXPECT_EQ(field.FieldName(), "c2401");
    EXPECT_EQ(field.FieldTitle(), " Operator ");
    EXPECT_EQ(field.FieldType(), "string");
    EXPECT_EQ(field.Validation(), "Pick");
    EXPECT_EQ(field.MaxLength(), -3);
}

struct TokenCase {
    const char* given;
    const char* stored;
};

class FieldDefinitionTokens : public testing::TestWithParam<TokenCase> {};

TEST_P(FieldDefinitionTokens, translatesWholeTextAfterUpperCasing)
{
    EXPECT_EQ(translated(GetParam().given), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Tokens, FieldDefinitionTokens,
                         testing::Values(TokenCase{"U_NAM", "<enter user name>"},
                                         TokenCase{"u_nam", "<enter user name>"},
                                         TokenCase{"u_fnam", "<enter user full name>"},
                                         TokenCase{"U_Seg", "<enter user segregate>"},
                                         TokenCase{"u_wrk", "<enter user workstation>"},
                                         TokenCase{"Dsk_Top", "<enter desktop>"},
                                         TokenCase{"99/99/99", "2027-03-05"},
                                         TokenCase{"99:99", "07:04"},
                                         // No token: kept as given, letter case included.
                                         TokenCase{"Abc", "Abc"},
                                         TokenCase{" u_fnam", " u_fnam"},
                                         TokenCase{"u_fnam ", "u_fnam "},
                                         TokenCase{"U_NAME", "U_NAME"},
                                         TokenCase{"99/99/9999", "99/99/9999"},
                                         TokenCase{"99:99:99", "99:99:99"},
                                         TokenCase{"", ""}));

TEST(FieldDefinition, timeTokenUsesTwentyFourHourClock)
{
    EXPECT_EQ(translated("99:99", kEvening), "19:04");
    EXPECT_EQ(translated("99:99", CivilDateTime{2027, 3, 5, 0, 0, 59}), "00:00");
}

TEST(FieldDefinition, dateTokenPadsEveryPart)
{
    EXPECT_EQ(translated("99/99/99", CivilDateTime{2026, 12, 31, 23, 59, 59}), "2026-12-31");
    EXPECT_EQ(translated("99/99/99", CivilDateTime{987, 1, 2, 0, 0, 0}), "0987-01-02");
}

TEST(FieldDefinition, dateIsTakenWhenTheValueIsSet)
{
    FieldDefinition field;
    field.setDefaultValue("99/99/99", kMorning);
    field.setFieldTitle("later");
    EXPECT_EQ(field.DefaultValue(), "2027-03-05");
    field.setDefaultValue("99/99/99", CivilDateTime{2027, 3, 6, 0, 0, 1});
    EXPECT_EQ(field.DefaultValue(), "2027-03-06");
}

} // namespace
