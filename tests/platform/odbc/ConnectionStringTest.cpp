#include "platform/odbc/Connection.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"

#include <gtest/gtest.h>

using namespace ob::odbc;

TEST(ConnectionString, splitsFindsRemovesAndAddsItemsKeepingTheirText)
{
    auto items = splitConnectionString(";;PROVIDER=MSDASQL;Driver={PostgreSQL Unicode};;pwd={a;b=c}}d}; uid = me ;x=");
    std::string seen;
    for (const auto& item : items)
        seen += item.key + "=" + item.value + "|";
    EXPECT_EQ(seen, "PROVIDER=MSDASQL|Driver=PostgreSQL Unicode|pwd=a;b=c}d|uid=me|x=|");
    EXPECT_EQ(items.at(1).text, "Driver={PostgreSQL Unicode}");
    EXPECT_EQ(findConnectionItem(items, "DRIVER"), &items[1]);
    EXPECT_EQ(findConnectionItem(items, "Database"), nullptr);
    EXPECT_TRUE(containsIgnoreCase("libSQLite3odbc.so", "sqlite"));
    EXPECT_FALSE(containsIgnoreCase("psqlodbcw.so", "sqlite"));
    items = splitConnectionString("ORBISTA;DATABASE=a;Driver=SQLite3;database=b;Database = c");
    removeConnectionItems(items, "Database");
    addConnectionItem(items, "Database", ":memory:");
    addConnectionItem(items, "pwd", "a;b}");
    EXPECT_EQ(joinConnectionItems(items), "ORBISTA;Driver=SQLite3;Database=:memory:;pwd={a;b}}};");
    // A user name or password reaches the driver exactly and adds no item.
    for (const std::string value : {"plain", "a;Database=other.db", "{x}", "}", " blank ", "p@ss w0rd", ""}) {
        const std::string text = "uid=" + quoteConnectionValue(value) + ";pwd=" + quoteConnectionValue(value) + ";";
        const auto items = splitConnectionString(text);
        EXPECT_TRUE(items.size() == 2 && items[0].value == value && items[1].value == value) << text;
    }
    EXPECT_EQ(quoteConnectionValue("plain"), "plain");
}

TEST(ConnectionString, logTextHidesEveryPassword)
{
    const struct { const char* text; const char* logged; } cases[] = {
        {"PROVIDER=MSDASQL;DSN=x;uid=a;pwd=s3cret;", "PROVIDER=MSDASQL;DSN=x;uid=a;pwd=********;"},
        {"Driver=PG;PWD=one;uid=a;Pwd = two ;password={x;y}}z};PassWord=three",
         "Driver=PG;PWD=********;uid=a;Pwd = ******** ;password=********;PassWord=********"},
        {"uid=a;pwd=;", "uid=a;pwd=;"}, {"uid=pwd=x;Database=pwd.db;pwdx=1", "uid=pwd=x;Database=pwd.db;pwdx=1"},
        {"pwd={unterminated;uid=a", "pwd=********"}};
    for (const auto& c : cases)
        EXPECT_EQ(maskConnectionPasswords(c.text), c.logged) << c.text;
}

// "Wait for ever", or no whole number of seconds: the default (else Busy True with no end).
TEST(ConnectionTimeouts, onlyWholeSecondsUpToAnHourAreTaken)
{
    const struct { const char* text; int expected; } cases[] = {
        {"5", 5}, {"1", 1}, {"3600", 3600}, {"", 30}, {"0", 30}, {"-5", 30}, {"3601", 30},
        {"2.5", 30}, {"2,5", 30}, {"5s", 30}, {"abc", 30}, {"99999999999", 30}};
    for (const auto& c : cases)
        EXPECT_EQ(timeoutFromText(c.text, 30), c.expected) << '"' << c.text << '"';
}

TEST(QuoteLiteral, doublesEveryApostropheAndNothingElse)
{
    EXPECT_EQ(quoteLiteral(""), "''");
    EXPECT_EQ(quoteLiteral("O'Brien"), "'O''Brien'");
    EXPECT_EQ(quoteLiteral("''"), "''''''");
    EXPECT_EQ(quoteLiteral("a\\b\"c;--d"), "'a\\b\"c;--d'");
    EXPECT_EQ(escapeLiteral("it's"), "it''s");
}
