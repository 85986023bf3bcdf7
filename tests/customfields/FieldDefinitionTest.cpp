// A field's default value: its tokens are replaced when the value is set.
#include <gtest/gtest.h>

#include "customfields/FieldDefinition.h"

namespace {

using ob::regional::CivilDateTime;

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

} // namespace
