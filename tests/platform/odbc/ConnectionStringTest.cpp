#include "platform/odbc/ConnectionString.h"

#include <gtest/gtest.h>

namespace ob::odbc {
namespace {

TEST(ConnectionString, splitsItemsKeepingTheirText)
{
    auto items = splitConnectionString("PROVIDER=MSDASQL;Driver={PostgreSQL Unicode};Server=h; uid = me ;pwd=;");
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].key, "PROVIDER");
    EXPECT_EQ(items[0].value, "MSDASQL");
    EXPECT_EQ(items[1].value, "PostgreSQL Unicode");
    EXPECT_EQ(items[1].text, "Driver={PostgreSQL Unicode}");
    EXPECT_EQ(items[3].key, "uid");
    EXPECT_EQ(items[3].value, "me");
    EXPECT_EQ(items[4].key, "pwd");
    EXPECT_EQ(items[4].value, "");
}

TEST(ConnectionString, bracedValuesMayHoldSeparators)
{
    auto items = splitConnectionString("pwd={a;b=c}}d};Database=x");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].value, "a;b=c}d");
    EXPECT_EQ(items[1].value, "x");
}

TEST(ConnectionString, emptyItemsAreDroppedAndAKeyWithoutValueIsKept)
{
    auto items = splitConnectionString(";;ORBISTA;;Database=a.db");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].key, "ORBISTA");
    EXPECT_EQ(joinConnectionItems(items), "ORBISTA;Database=a.db;");
}

TEST(ConnectionString, removesEveryItemOfAKeyWithoutRegardToCase)
{
    auto items = splitConnectionString("DATABASE=a;Driver=SQLite3;database=b;Database = c");
    removeConnectionItems(items, "Database");
    EXPECT_EQ(joinConnectionItems(items), "Driver=SQLite3;");
}

TEST(ConnectionString, addedValuesAreBracedWhenTheyNeedIt)
{
    std::vector<ConnectionItem> items;
    addConnectionItem(items, "Database", ":memory:");
    addConnectionItem(items, "pwd", "a;b}");
    EXPECT_EQ(joinConnectionItems(items), "Database=:memory:;pwd={a;b}}};");
    auto back = splitConnectionString(joinConnectionItems(items));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].value, "a;b}");
}

// What the log shows of a connection text: every password hidden, the rest as written.
TEST(ConnectionString, logTextHidesEveryPassword)
{
    const struct {
        const char* text;
        const char* logged;
    } cases[] = {
        {"PROVIDER=MSDASQL;DSN=x;uid=a;pwd=s3cret;", "PROVIDER=MSDASQL;DSN=x;uid=a;pwd=********;"},
        {"Driver=PG;PWD=one;uid=a;Pwd = two ;password={x;y}}z};PassWord=three",
         "Driver=PG;PWD=********;uid=a;Pwd = ******** ;password=********;PassWord=********"},
        {"Server=h;pwd={a;b}}c};uid=u;", "Server=h;pwd=********;uid=u;"},
        {"uid=a;pwd=;", "uid=a;pwd=;"},
        {"uid=pwd=x;Database=pwd.db;pwdx=1", "uid=pwd=x;Database=pwd.db;pwdx=1"},
        {"pwd={unterminated;uid=a", "pwd=********"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(maskConnectionPasswords(c.text), c.logged) << c.text;
    }
}

// A user name or password reaches the driver exactly and adds no item.
TEST(ConnectionString, valuesThatWouldAddItemsAreBraced)
{
    for (const std::string value : {"plain", "a;Database=other.db", "{x}", "}", " blank ", "p@ss w0rd", ""}) {
        const std::string text = "uid=" + quoteConnectionValue(value) + ";pwd=" + quoteConnectionValue(value) + ";";
        const auto items = splitConnectionString(text);
        ASSERT_EQ(items.size(), 2u) << text;
        EXPECT_EQ(items[0].value, value) << text;
        EXPECT_EQ(items[1].value, value) << text;
    }
    EXPECT_EQ(quoteConnectionValue("plain"), "plain");
    EXPECT_EQ(quoteConnectionValue("a;b}"), "{a;b}}}");
}

TEST(ConnectionString, findsItemsWithoutRegardToCase)
{
    auto items = splitConnectionString("dsn=ORBISTA;DRIVER=x");
    ASSERT_NE(findConnectionItem(items, "DSN"), nullptr);
    EXPECT_EQ(findConnectionItem(items, "DSN")->value, "ORBISTA");
    EXPECT_EQ(findConnectionItem(items, "Database"), nullptr);
    EXPECT_TRUE(containsIgnoreCase("libSQLite3odbc.so", "sqlite"));
    EXPECT_FALSE(containsIgnoreCase("psqlodbcw.so", "sqlite"));
}

} // namespace
} // namespace ob::odbc
