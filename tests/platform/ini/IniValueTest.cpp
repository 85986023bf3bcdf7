#include "platform/Failure.h"
#include "platform/ini/IniFile.h"

#include <gtest/gtest.h>

using ob::ini::toBoolean;
using ob::ini::toInteger;

TEST(IniValue, readsBooleanWordsAndNumbers)
{
    const struct {
        const char* text;
        bool value;
    } cases[] = {
        {"True", true},  {"TRUE", true},   {"true", true},  {"Yes", true},  {"on", true},  {"-1", true},
        {"1", true},     {"+1", true},     {"0.1", true},   {"42", true},   {" True ", true},
        {"False", false}, {"false", false}, {"No", false},  {"OFF", false}, {"0", false}, {"0.0", false},
        {"-0", false},   {"", false},      {"maybe", false}, {"1abc", false}, {"Truely", false}, {"1.2.3", false},
        {".", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toBoolean(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniValue, readsIntegersAsGetPrivateProfileIntDoes)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"1", 1},       {"+1", 1},     {"-1", -1},   {" -5", -5},   {"12abc", 12},  {"abc", 0},   {"", 0},
        {"0x10", 16},   {"0X1f", 31},  {"010", 10},  {"0b101", 5},  {"0o17", 15},   {"1.9", 1},   {"1e3", 1},
        {"True", 0},    {"32767", 32767}, {"-32768", -32768}, {"00000000000000000000012", 12}, {"-", 0}, {"0x", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniValue, integersOutsideSixteenBitsOverflow)
{
    for (const char* text : {"32768", "-32769", "4294967297", "99999999999999999999999", "0xFFFF", "65535"}) {
        try {
            toInteger(text);
            ADD_FAILURE() << text << " did not fail";
        } catch (const ob::Failure& failure) {
            EXPECT_EQ(failure.number(), 6) << text;
            EXPECT_EQ(failure.description(), "Overflow");
        }
    }
}
