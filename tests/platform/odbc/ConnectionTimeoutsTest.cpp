#include "platform/odbc/ConnectionTimeouts.h"

#include <gtest/gtest.h>

namespace ob::odbc {
namespace {

// A value that would mean "wait for ever", or that no one meant as seconds,
// is the default: the peer would otherwise see Busy True with no end.
TEST(ConnectionTimeouts, onlyWholeSecondsUpToAnHourAreTaken)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"5", 5},     {"1", 1},    {"3600", 3600}, {"", 30},   {"0", 30},   {"-5", 30},
        {"3601", 30}, {"2.5", 30}, {"2,5", 30},    {"5s", 30}, {"abc", 30}, {"99999999999", 30},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timeoutFromText(c.text, 30), c.expected) << '"' << c.text << '"';
}

} // namespace
} // namespace ob::odbc
