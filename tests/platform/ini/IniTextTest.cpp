#include "../FailureOf.h"
#include "platform/Text.h"
#include "platform/ini/IniFile.h"

#include <gtest/gtest.h>

using ob::test::failureOf;

using ob::ini::assign;
using ob::ini::lookup;

TEST(IniText, readsAsTheProfileFunctionsDoWithEveryLineBreak)
{
    const std::string example = "[s]\n  Key1 =  hello world  \nk2=\" padded \"\nk3='x\"\nk4=\"\"q\"\"\nk5=a ;not comment\n"
                                ";k6=1\n#k7=1\nk8=\nk9\nk=1\nk=2\n  TechName = 'J. Smith'  \nk10=b=c";
    const struct { std::string content; const char *section, *key; std::optional<std::string> value; } cases[] = {
        {example, "s", "key1", "hello world"}, {example, "s", "K2", " padded "}, {example, "s", "k3", "'x\""},
        {example, "s", "k4", "\"q\""}, {example, "s", "k5", "a ;not comment"}, {example, "s", "k6", std::nullopt},
        {example, "s", ";k6", std::nullopt}, {example, "s", "#k7", "1"}, {example, "s", "k8", ""},
        {example, "s", "k9", std::nullopt}, {example, "s", "k", "1"}, {example, "s", "techname", "J. Smith"},
        {example, "s", "k10", "b=c"},
        {"[General]\nBusy=True\n", "GENERAL", "busy", "True"},
        {"[General]\nBusy=True\n", "  General ", " Busy  ", "True"},
        {"[General]\nBusy=True\n", "General", "\tBusy", std::nullopt},
        // Letters at the ends of the alphabet fold; their neighbours do not.
        {"[AZ]\nzA=1\n", "az", "Za", "1"}, {"[@]\nx=1\n[`]\nx=2\n", "`", "x", "2"},
        {"[s]\n{x=1\n", "s", "[x", std::nullopt},
        // Only the first of sections with one name is seen, next to each other too.
        {"[a]\nx=1\n[b]\ny=2\n[A]\nx=3\nz=4\n", "a", "x", "1"}, {"[a]\nx=1\n[b]\ny=2\n[A]\nz=4\n", "a", "z", std::nullopt},
        {"[a]\nx=1\n[a]\nz=4\n", "a", "z", std::nullopt}, {"[a]b]\nx=1\n", "a", "x", "1"},
        {"[a]b]\nx=1\n", "a]b", "x", std::nullopt},
        {"[ c \t]k=v\ny=2\n", "c", "y", "2"}, {"[ c \t]k=v\ny=2\n", "c", "k", std::nullopt},
        {"[open  \nz=3\n", "open", "z", "3"},
        {"x=1\n[]\ny=2\n", "", "x", std::nullopt}, {"x=1\n[]\ny=2\n", "", "y", "2"},
        {" \t[a]\n\t; x=1\n\vx=2\n", "a", "x", "2"},
        {"\xEF\xBB\xBF[a]\nx=1\n[b]\ny=2\n", "a", "x", std::nullopt}, {"\xEF\xBB\xBF[a]\nx=1\n[b]\ny=2\n", "b", "y", "2"},
        {"[a]\ny=\xE4\xF6\xFC \"in\" side\n", "a", "y", "\xE4\xF6\xFC \"in\" side"},
    };
    for (const std::string lineBreak : {"\r\n", "\n", "\r"}) {
        for (const auto& c : cases) {
            std::string content;
            for (const char ch : c.content)
                content += ch == '\n' ? lineBreak : std::string(1, ch);
            EXPECT_EQ(lookup(content, c.section, c.key), c.value) << c.content << " [" << c.section << "] " << c.key;
        }
    }
}

TEST(Text, foldsTheAsciiLettersOnly)
{
    EXPECT_EQ(ob::text::upper("az@[`{AZ\xE4"), "AZ@[`{AZ\xE4");
    EXPECT_EQ(ob::text::lower("AZ@[`{az\xC4"), "az@[`{az\xC4");
}

TEST(IniText, writesOnlyTheOneLineAsTheProfileFunctionsDo)
{
    const struct { const char *content, *section, *key; std::string value; const char* expected; } cases[] = {
        {"", "App1", "key1", "string1", "[App1]\r\nkey1=string1\r\n"},
        {"[s]\r\nb=1\r\na=2\r\n[t]\r\nq=0\r\n", "s", "z", "3", "[s]\r\nb=1\r\na=2\r\nz=3\r\n[t]\r\nq=0\r\n"},
        {"[General]\r\nACTION = \"/OBVER\"\r\nBusy=False\r\n", "general", "Action", "/locasset",
         "[General]\r\nACTION=/locasset\r\nBusy=False\r\n"},
        {"[a]\nk=1\nk=2\n", "a", "k", "3", "[a]\nk=3\nk=2\n"},
        {"; by PYRALIS II\r\n\r\n[General]\r\nAction = \r\nBusy = False\r\nError = \"\"\r\n\r\n; c\r\n[C]\r\n  T = 'J'  \r\n",
         "GENERAL", "busy", "True",
         "; by PYRALIS II\r\n\r\n[General]\r\nAction = \r\nBusy=True\r\nError = \"\"\r\n\r\n; c\r\n[C]\r\n  T = 'J'  \r\n"},
        // A new key goes after the section's last key, before blank lines and comments.
        {"[a]\r\nx=1\r\n\r\n; about b\r\n[b]\r\ny=2\r\n", "a", "n", "v", "[a]\r\nx=1\r\nn=v\r\n\r\n; about b\r\n[b]\r\ny=2\r\n"},
        {"[a]\r\n\r\n[b]\r\n", "a", "n", "v", "[a]\r\nn=v\r\n\r\n[b]\r\n"},
        {"[a]\r\nx=1", "a", "n", "v", "[a]\r\nx=1\r\nn=v\r\n"},
        {"[a]", "a", "n", "v", "[a]\r\nn=v\r\n"},
        // A new section is appended without a blank line.
        {"[a]\r\nx=1\r\n", "b", "n", "v", "[a]\r\nx=1\r\n[b]\r\nn=v\r\n"},
        {"[a]\r\nx=1", "b", "n", "v", "[a]\r\nx=1\r\n[b]\r\nn=v\r\n"},
        {"[a]\nx=1\n", "b", "n", "v", "[a]\nx=1\n[b]\r\nn=v\r\n"},
        {"[a]\rx=1\r", "b", "n", "v", "[a]\rx=1\r[b]\r\nn=v\r\n"}, {"[a]\rx=1\ry=2", "a", "y", "9", "[a]\rx=1\ry=9"},
        // Names without their blanks; values reading would change get quotes.
        {"", " Sec ", " key ", "  spaced  ", "[Sec]\r\nkey=\"  spaced  \"\r\n"},
        {"", "s", "k", "'A'", "[s]\r\nk=\"'A'\"\r\n"}, {"", "s", "k", "plain 'A'", "[s]\r\nk=plain 'A'\r\n"},
        {"[a]\r\nx=1\r\n", "a", "x", "one\r\ntwo\nthree\rfour", "[a]\r\nx=one two three four\r\n"},
        {"[a]\r\n", "a", "y", "\n[b]\r\nz=1", "[a]\r\ny=\" [b] z=1\"\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(assign(c.content, c.section, c.key, c.value), c.expected) << c.content << " " << c.key;
    EXPECT_EQ(lookup("[Sec]\r\nkey=  spaced  \r\n", "Sec", "key"), "spaced");
}

TEST(IniText, aWrittenValueReadsBackIdenticalAndEntriesComeInFileOrder)
{
    const std::string values[] = {"", "plain", "a=b", "; semi", "[not a section]", "x \"quoted\" y", "\x01\x7F\xFF",
                                  "trailing'", " lead", "trail ", "\tboth\v", "'quoted'", "\"double\"", "\"\"", "''",
                                  "' x '", "\"mixed'", std::string(65536, '\'')};
    for (const auto& value : values) {
        std::string content = assign("[s]\r\nk=old\r\n", "s", "k", value);
        EXPECT_EQ(lookup(content, "s", "k"), value);
        content = assign(content, "s", "k", *lookup(content, "s", "k"));
        EXPECT_EQ(lookup(content, "s", "k"), value);
    }
    const std::string content = "[a]\r\nz=1\r\n;c=0\r\nq\r\nB = \"2\"\r\nz=3\r\n[b]\r\nx=4\r\n";
    EXPECT_EQ(ob::ini::sectionEntries(content, "A"), (std::vector<std::pair<std::string, std::string>>{
                                                         {"z", "1"}, {"B", "2"}, {"z", "3"}}));
    EXPECT_TRUE(ob::ini::sectionEntries(content, "missing").empty());
}

TEST(IniValue, readsBooleansAndIntegersAsTheProfileFunctionsDo)
{
    for (const char* text : {"True", "TRUE", "Yes", "on", "-1", "1", "+1", "0.1", "42", " True "})
        EXPECT_TRUE(ob::ini::toBoolean(text)) << text;
    for (const char* text : {"False", "No", "OFF", "0", "0.0", "-0", "", "maybe", "1abc", "Truely", "1.2.3", "."})
        EXPECT_FALSE(ob::ini::toBoolean(text)) << text;
    const struct { const char* text; int value; } integers[] = {
        {"+1", 1}, {" -5", -5}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"0x10", 16}, {"0X1f", 31},
        {"010", 10}, {"0b101", 5}, {"0o17", 15}, {"1.9", 1}, {"True", 0}, {"32767", 32767},
        {"-32768", -32768}, {"00000000000000000000012", 12}, {"-", 0}, {"0x", 0}};
    for (const auto& c : integers)
        EXPECT_EQ(ob::ini::toInteger(c.text), c.value) << c.text;
    for (const char* text : {"32768", "-32769", "4294967297", "99999999999999999999999", "0xFFFF"})
        EXPECT_EQ(failureOf([&] { ob::ini::toInteger(text); }), 6) << text;
}
