#include "platform/Text.h"
#include "platform/ini/IniFile.h"

#include <gtest/gtest.h>

#include <string>

using ob::ini::assign;
using ob::ini::lookup;

namespace {

std::string withBreaks(const std::string& lfText, const std::string& lineBreak)
{
    std::string out;
    for (char c : lfText) {
        if (c == '\n')
            out += lineBreak;
        else
            out += c;
    }
    return out;
}

const std::string kExample = "[s]\n"
                             "  Key1 =  hello world  \n"
                             "k2=\" padded \"\n"
                             "k3='x\"\n"
                             "k4=\"\"q\"\"\n"
                             "k5=a ;not comment\n"
                             ";k6=1\n"
                             "#k7=1\n"
                             "k8=\n"
                             "k9\n"
                             "k=1\n"
                             "k=2";

struct ExampleRead {
    const char* key;
    std::optional<std::string> value;
};

const ExampleRead kExampleReads[] = {
    {"key1", "hello world"}, {"K2", " padded "},   {"k3", "'x\""},       {"k4", "\"q\""},
    {"k5", "a ;not comment"}, {"k6", std::nullopt}, {";k6", std::nullopt}, {"#k7", "1"},
    {"k8", ""},               {"k9", std::nullopt}, {"k", "1"},
};

} // namespace

TEST(IniText, readsTheExampleFileWithEveryKindOfLineBreak)
{
    for (const char* lineBreak : {"\r\n", "\n", "\r"}) {
        const auto content = withBreaks(kExample, lineBreak);
        for (const auto& read : kExampleReads) {
            EXPECT_EQ(lookup(content, "s", read.key), read.value)
                << "key " << read.key << " with line break " << (lineBreak[0] == '\r' ? "CR" : "LF")
                << (lineBreak[1] ? "LF" : "");
        }
    }
}

TEST(IniText, readsTheLastLineWithoutALineBreak)
{
    EXPECT_EQ(lookup("[a]\r\nx=1\r\ny=2", "a", "y"), "2");
}

// Names match without regard to the case of ASCII letters only; the
// characters beside 'A'-'Z' and 'a'-'z' match nothing but themselves.
TEST(IniText, matchesSectionAndKeyNamesWithoutRegardToCase)
{
    const struct {
        char c, upper, lower;
    } cases[] = {{'@', '@', '@'}, {'A', 'A', 'a'}, {'Z', 'Z', 'z'}, {'[', '[', '['},       {'`', '`', '`'},
                 {'a', 'A', 'a'}, {'z', 'Z', 'z'}, {'{', '{', '{'}, {'\xE4', '\xE4', '\xE4'}};
    for (const auto& c : cases) {
        EXPECT_EQ(ob::text::upper(c.c), c.upper) << c.c;
        EXPECT_EQ(ob::text::lower(c.c), c.lower) << c.c;
    }
    const std::string content = "[General]\r\nBusy=True\r\n[Za@]\r\nkey[z=1\r\n";
    EXPECT_EQ(lookup(content, "GENERAL", "busy"), "True");
    EXPECT_EQ(lookup(content, "general", "BUSY"), "True");
    EXPECT_EQ(lookup(content, "zA@", "KEY[Z"), "1");
    EXPECT_EQ(lookup(content, "zA`", "key[z"), std::nullopt);
    EXPECT_EQ(lookup(content, "Za@", "key{z"), std::nullopt);
}

TEST(IniText, stripsSpacesButNotTabsFromTheNamesAskedFor)
{
    const std::string content = "[General]\r\nBusy=True\r\n";
    EXPECT_EQ(lookup(content, "  General ", " Busy  "), "True");
    EXPECT_EQ(lookup(content, "General", "\tBusy"), std::nullopt);
}

// Apart or next to each other, later copies stay invisible to reads and writes.
TEST(IniText, onlyTheFirstOfDuplicateSectionsIsSeen)
{
    for (const std::string between : {"[b]\r\ny=2\r\n", ""}) {
        const std::string later = between + "[A]\r\nx=3\r\nz=4\r\n";
        const std::string content = "[a]\r\nx=1\r\n" + later;
        EXPECT_EQ(lookup(content, "a", "x"), "1");
        EXPECT_EQ(lookup(content, "a", "z"), std::nullopt);
        EXPECT_EQ(assign(content, "a", "z", "5"), "[a]\r\nx=1\r\nz=5\r\n" + later);
    }
}

TEST(IniText, sectionNameEndsAtTheFirstClosingBracket)
{
    const std::string content = "[a]b]\r\nx=1\r\n[ c \t]k=v\r\ny=2\r\n[open  \r\nz=3\r\n";
    EXPECT_EQ(lookup(content, "a", "x"), "1");
    EXPECT_EQ(lookup(content, "a]b", "x"), std::nullopt);
    EXPECT_EQ(lookup(content, "c", "y"), "2");
    EXPECT_EQ(lookup(content, "c", "k"), std::nullopt); // text after ']' is lost
    EXPECT_EQ(lookup(content, "open", "z"), "3");       // a header without ']' still counts
}

TEST(IniText, keysBeforeTheFirstSectionAreUnreachable)
{
    const std::string content = "x=1\r\n[]\r\ny=2\r\n";
    EXPECT_EQ(lookup(content, "", "x"), std::nullopt);
    EXPECT_EQ(lookup(content, "", "y"), "2");
}

TEST(IniText, indentedHeadersCommentsAndKeysAreRecognised)
{
    const std::string content = " \t[a]\r\n\t; x=1\r\n\vx=2\r\n";
    EXPECT_EQ(lookup(content, "a", "x"), "2");
}

TEST(IniText, aByteOrderMarkHidesTheFirstHeaderAsOnWindows)
{
    const std::string content = "\xEF\xBB\xBF[a]\r\nx=1\r\n[b]\r\ny=2\r\n";
    EXPECT_EQ(lookup(content, "a", "x"), std::nullopt);
    EXPECT_EQ(lookup(content, "b", "y"), "2");
}

TEST(IniText, valueKeepsEqualsSignsAndInnerBytes)
{
    const std::string content = "[a]\r\nx=b=c\r\ny=\xE4\xF6\xFC \"in\" side\r\n";
    EXPECT_EQ(lookup(content, "a", "x"), "b=c");
    EXPECT_EQ(lookup(content, "a", "y"), "\xE4\xF6\xFC \"in\" side");
}

TEST(IniText, writesTheBuildUpOfANewFileByteForByte)
{
    std::string content;
    content = assign(content, "App1", "key1", "string1");
    EXPECT_EQ(content, "[App1]\r\nkey1=string1\r\n");
    content = assign(content, "App1", "key2", "string2");
    content = assign(content, "App1", "key3", "string3");
    content = assign(content, "App2", "key4", "string4");
    content = assign(content, "App3", "key5", "string5");
    EXPECT_EQ(content, "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n"
                       "[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n");
}

TEST(IniText, newKeysFollowTheExistingKeysInCallOrder)
{
    std::string content = "[s]\r\nb=1\r\na=2\r\n[t]\r\nq=0\r\n";
    content = assign(content, "s", "z", "3");
    content = assign(content, "s", "y", "4");
    EXPECT_EQ(content, "[s]\r\nb=1\r\na=2\r\nz=3\r\ny=4\r\n[t]\r\nq=0\r\n");
}

TEST(IniText, replacesAnExistingKeyInPlaceKeepingItsSpelling)
{
    const std::string content = "[General]\r\nACTION = \"/OBVER\"\r\nBusy=False\r\n";
    EXPECT_EQ(assign(content, "general", "Action", "/locasset"),
              "[General]\r\nACTION=/locasset\r\nBusy=False\r\n");
}

TEST(IniText, replacesOnlyTheFirstOfDuplicateKeys)
{
    EXPECT_EQ(assign("[a]\nk=1\nk=2\n", "a", "k", "3"), "[a]\nk=3\nk=2\n");
}

TEST(IniText, changesOnlyTheOneLineOfAWindowsStyleFile)
{
    const std::string original = "; written by PYRALIS II\r\n"
                                 "\r\n"
                                 "[General]\r\n"
                                 "Action = \r\n"
                                 "Busy = False\r\n"
                                 "Error = \"\"\r\n"
                                 "\r\n"
                                 "; calibration in progress\r\n"
                                 "[Calibration]\r\n"
                                 "  TechName = 'J. Smith'  \r\n"
                                 "Comment = a=b ; c\r\n";
    const std::string changed = assign(original, "GENERAL", "busy", "True");
    const std::string expected = "; written by PYRALIS II\r\n"
                                 "\r\n"
                                 "[General]\r\n"
                                 "Action = \r\n"
                                 "Busy=True\r\n"
                                 "Error = \"\"\r\n"
                                 "\r\n"
                                 "; calibration in progress\r\n"
                                 "[Calibration]\r\n"
                                 "  TechName = 'J. Smith'  \r\n"
                                 "Comment = a=b ; c\r\n";
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(lookup(changed, "Calibration", "TechName"), "J. Smith");
    EXPECT_EQ(lookup(changed, "General", "Error"), "");
}

TEST(IniText, newKeyGoesBeforeTheSectionsTrailingBlankLinesAndComments)
{
    const std::string content = "[a]\r\nx=1\r\n\r\n; about b\r\n[b]\r\ny=2\r\n";
    EXPECT_EQ(assign(content, "a", "n", "v"), "[a]\r\nx=1\r\nn=v\r\n\r\n; about b\r\n[b]\r\ny=2\r\n");
}

TEST(IniText, newKeyInAnEmptySectionFollowsItsHeader)
{
    EXPECT_EQ(assign("[a]\r\n\r\n[b]\r\n", "a", "n", "v"), "[a]\r\nn=v\r\n\r\n[b]\r\n");
}

TEST(IniText, newKeyAfterALastLineWithoutLineBreak)
{
    EXPECT_EQ(assign("[a]\r\nx=1", "a", "n", "v"), "[a]\r\nx=1\r\nn=v\r\n");
    EXPECT_EQ(assign("[a]", "a", "n", "v"), "[a]\r\nn=v\r\n");
}

TEST(IniText, newSectionIsAppendedWithoutABlankLine)
{
    EXPECT_EQ(assign("[a]\r\nx=1\r\n", "b", "n", "v"), "[a]\r\nx=1\r\n[b]\r\nn=v\r\n");
    EXPECT_EQ(assign("[a]\r\nx=1", "b", "n", "v"), "[a]\r\nx=1\r\n[b]\r\nn=v\r\n");
    EXPECT_EQ(assign("[a]\nx=1\n", "b", "n", "v"), "[a]\nx=1\n[b]\r\nn=v\r\n");
    EXPECT_EQ(assign("[a]\rx=1\r", "b", "n", "v"), "[a]\rx=1\r[b]\r\nn=v\r\n");
}

TEST(IniText, keepsTheLineBreaksOfAnLfFile)
{
    EXPECT_EQ(assign("[a]\nx=1\ny=2\n", "a", "x", "9"), "[a]\nx=9\ny=2\n");
    EXPECT_EQ(assign("[a]\rx=1\ry=2", "a", "y", "9"), "[a]\rx=1\ry=9");
}

TEST(IniText, writesNamesWithoutSurroundingSpacesAndKeepsTheValuesBlanks)
{
    const auto content = assign("", " Sec ", " key ", "  spaced  ");
    EXPECT_EQ(content, "[Sec]\r\nkey=\"  spaced  \"\r\n");
    EXPECT_EQ(lookup(content, "Sec", "key"), "  spaced  ");
    // Written by a peer without quotes, the blanks are dropped on reading.
    EXPECT_EQ(lookup("[Sec]\r\nkey=  spaced  \r\n", "Sec", "key"), "spaced");
}

TEST(IniText, lineBreaksInAValueAreWrittenAsSpaces)
{
    auto content = assign("[a]\r\nx=1\r\n", "a", "x", "one\r\ntwo\nthree\rfour");
    content = assign(content, "a", "y", "\n[b]\r\nz=1");
    EXPECT_EQ(content, "[a]\r\nx=one two three four\r\ny=\" [b] z=1\"\r\n");
    EXPECT_EQ(lookup(content, "b", "z"), std::nullopt);
}

TEST(IniText, aWrittenValueReadsBackIdentical)
{
    const std::string values[] = {"", "plain", "a=b", "; semi", "[not a section]", "x \"quoted\" y", "\x01\x7F\xFF",
                                  "trailing'"};
    std::string content = "[s]\r\n";
    for (const auto& value : values) {
        content = assign(content, "s", "k", value);
        EXPECT_EQ(lookup(content, "s", "k"), value);
    }
}

TEST(IniText, valuesThatReadingWouldChangeAreWrittenInQuotes)
{
    // Blanks at either end and one pair of outer quotes are lost on reading;
    // such values get one more pair of double quotes so they survive.
    const std::string values[] = {" lead", "trail ", "\tboth\v", "'quoted'", "\"double\"", "\"\"", "''", "' x '",
                                  "\"mixed'", std::string(65536, '\'')};
    for (const auto& value : values) {
        std::string content = assign("[s]\r\nk=old\r\n", "s", "k", value);
        EXPECT_EQ(lookup(content, "s", "k"), value);
        // Read and written back again, as the asset section is: still the same.
        content = assign(content, "s", "k", *lookup(content, "s", "k"));
        EXPECT_EQ(lookup(content, "s", "k"), value);
    }
    EXPECT_EQ(assign("", "s", "k", "'A'"), "[s]\r\nk=\"'A'\"\r\n");
    EXPECT_EQ(assign("", "s", "k", "plain 'A'"), "[s]\r\nk=plain 'A'\r\n");
}

TEST(IniText, listsASectionsEntriesInFileOrder)
{
    const std::string content = "[a]\r\nz=1\r\n;c=0\r\nq\r\nB = \"2\"\r\nz=3\r\n[b]\r\nx=4\r\n";
    const std::vector<std::pair<std::string, std::string>> expected = {{"z", "1"}, {"B", "2"}, {"z", "3"}};
    EXPECT_EQ(ob::ini::sectionEntries(content, "A"), expected);
    EXPECT_TRUE(ob::ini::sectionEntries(content, "missing").empty());
}
