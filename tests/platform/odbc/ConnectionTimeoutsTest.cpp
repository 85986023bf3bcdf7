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

// What the data source text sets itself is the administrator's choice; a
// second item of the same key would leave the driver to pick one.
TEST(ConnectionTimeouts, itemsTheDataSourceSetsAreKept)
{
    Timeouts t;
    t.commandSeconds = 4;
    auto items = splitConnectionString("Driver=SQLite3;Database=/x.db;timeout=500");
    addTimeoutItems(items, driverFamily("SQLite3"), t);
    EXPECT_EQ(joinConnectionItems(items), "Driver=SQLite3;Database=/x.db;timeout=500;");

    items = splitConnectionString("Driver=SQLite3;Database=/x.db");
    addTimeoutItems(items, driverFamily("SQLite3"), t);
    EXPECT_EQ(joinConnectionItems(items), "Driver=SQLite3;Database=/x.db;Timeout=2000;");

    items = splitConnectionString("Driver={PostgreSQL Unicode};pqopt={sslmode=require}");
    EXPECT_FALSE(addTimeoutItems(items, driverFamily("PostgreSQL Unicode"), t))
        << "without our pqopt the server has no statement timeout: the statement attribute must carry it";
    EXPECT_EQ(items.size(), 2u);
}

} // namespace
} // namespace ob::odbc
