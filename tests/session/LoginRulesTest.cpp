#include <gtest/gtest.h>

#include "session/LoginRules.h"

namespace {

TEST(LoginRules, bothPresentPasses)
{
    EXPECT_FALSE(ob::loginOkCheck("admin", "secret").has_value());
}

TEST(LoginRules, userNameIsCheckedBeforePassword)
{
    const auto box = ob::loginOkCheck("", "");
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->first, "User Name Missing");
    EXPECT_EQ(box->second, "Enter the user name to use to login to the ORBISTA database.");
    const auto withPassword = ob::loginOkCheck("", "secret");
    ASSERT_TRUE(withPassword.has_value());
    EXPECT_EQ(withPassword->first, "User Name Missing");
}

TEST(LoginRules, missingPassword)
{
    const auto box = ob::loginOkCheck("admin", "");
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->first, "Password Missing");
    EXPECT_EQ(box->second, "Enter the password to use to login to the ORBISTA database.");
}

TEST(LoginRules, blanksCountAsText)
{
    EXPECT_FALSE(ob::loginOkCheck(" ", " ").has_value());
    EXPECT_FALSE(ob::loginOkCheck("\t", "  ").has_value());
}

} // namespace
