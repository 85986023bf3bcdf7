#include "RegionalTestUtil.h"
#include "platform/regional/Conversions.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <optional>

using namespace ob::regional;
using namespace ob::regional::test;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const std::nullopt_t no = std::nullopt; // type mismatch

TEST(ParseNumber, byTheSystemNumberRules)
{
    const struct { const char* locale; std::string text; std::optional<double> expected; } cases[] = {
        {"U", " 12 ", 12}, {"U", "12-", -12}, {"U", "(12)", -12}, {"U", "12$", 12}, {"U", "-$12", -12},
        {"U", "($1,000.25)", -1000.25}, {"U", "1,2,3", 123}, {"U", "1.5e3", 1500}, {"U", "1e-1", 0.1},
        {"U", "&hFF", 255}, {"U", "&O17", 15}, {"U", "&HFFFF", -1}, {"U", "&H10000", 65536}, {"U", ".5", 0.5},
        {"U", "1.", 1}, {"U", "\t7\r\n", 7}, {"U", "1e-400", 0},
        // 2^53 + 1 lies halfway: ties go to even; any later non-zero digit tips it upwards.
        {"U", "9007199254740993", 9007199254740992.0},
        {"U", "9007199254740993." + std::string(1000, '0') + "1", 9007199254740994.0},
        {"U", ",123", no}, {"U", "1e", no}, {"U", "1d3", no}, {"U", "0x10", no}, {"U", ".", no}, {"U", "-", no},
        {"U", "", no}, {"U", "1.2.3", no}, {"U", "12abc", no}, {"U", "--5", no}, {"U", "1 000", no}, {"U", "(12", no},
        {"U", "$12$", no}, {"U", "(-12)", no}, {"U", "&HG", no}, {"U", "&O8", no}, {"U", "12\xE2\x82\xAC", no},
        {"D", "1,5", 1.5}, {"D", "1.5", 15}, {"D", "-1.234,5", -1234.5}, {"D", "12 \xE2\x82\xAC", 12}, {"D", ",5", 0.5},
        {"D", "1,2,3", no}, {"D", ".5", no}, {"D", "$12", no},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " \"" + c.text.substr(0, 40) + '"');
        const RegionalSettings rs = settingsNamed(c.locale);
        EXPECT_EQ(isNumeric(c.text, rs), c.expected.has_value());
        EXPECT_EQ(tryParseNumber(c.text, rs), c.expected);
        if (c.expected)
            EXPECT_EQ(parseNumber(c.text, rs), *c.expected);
        else
            EXPECT_EQ(failureOf([&] { parseNumber(c.text, rs); }), 13);
    }
    const RegionalSettings us = RegionalSettings::enUS();
    for (const std::string& text : {std::string("1e400"), "1" + std::string(400, '0')}) {
        EXPECT_EQ(failureOf([&] { parseNumber(text, us); }), 6);
        EXPECT_FALSE(isNumeric(text, us) || tryParseNumber(text, us));
    }
    RegionalSettings nbsp = RegionalSettings::deDE();
    nbsp.groupingSeparator = "\xC2\xA0";
    EXPECT_EQ(parseNumber("1\xC2\xA0" "000,5", nbsp), 1000.5);
}

TEST(Val, takesTheLeadingNumberOfTheText)
{
    const struct { const char* text; double expected; } cases[] = {
        {"12 months", 12}, {" 2 45 7", 2457}, {"WO-77", 0}, {"- 5", -5}, {"1,000", 1}, {"1.2.3", 1.2},
        {"-123.4e-2", -1.234}, {"1.5 d 3", 1500}, {"&HFFFF", -1}, {"&H10000", 65536}, {"&Hx", 0},
        {"", 0}, {"1e+", 1}, {"\t1\r\n2", 12}, {"--5", 0}, {"1e-400", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(val(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_FALSE(std::signbit(val("-0")) || std::signbit(val("-abc")));
    EXPECT_EQ(failureOf([] { val("1e400"); }), 6);
}

TEST(ToInt, roundsHalfToEvenAndOverflowsAfterRounding)
{
    const struct { double x; int expected; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.4999, 2},
        {2.5001, 3}, {-2.5001, -3}, {0.49999999999999994, 0}, {32767.4, 32767}, {-32768.5, -32768}};
    for (const auto& c : cases)
        EXPECT_TRUE(toInt16(c.x) == c.expected && toInt32(c.x) == c.expected) << c.x;
    for (double x : {32767.5, -32769.0, -32768.51, kNaN, kInf})
        EXPECT_EQ(failureOf([&] { toInt16(x); }), 6) << x;
    EXPECT_TRUE(toInt32(2147483647.4) == 2147483647 && toInt32(-2147483648.5) == -2147483647 - 1);
    for (double x : {2147483647.5, -2147483649.0, 1e300})
        EXPECT_EQ(failureOf([&] { toInt32(x); }), 6) << x;
    const RegionalSettings us = RegionalSettings::enUS();
    EXPECT_TRUE(toInt16("1,5", us) == 15 && toInt16("1,5", RegionalSettings::deDE()) == 2 && toInt32("(3.5)", us) == -4);
    EXPECT_EQ(failureOf([&] { toInt16("abc", us); }), 13);
    EXPECT_EQ(failureOf([&] { toInt16("40000", us); }), 6);
}

TEST(FormatNumber, asTheSystemWritesThem)
{
    const struct { double value; const char* text; } general[] = {
        {0.0001, "0.0001"}, {5.6789E-11, "0.000000000056789"}, {5.6789E-12, "5.6789E-12"},
        {999999999999999.0, "999999999999999"}, {1.2E15, "1.2E+15"}, {3.141592653589793, "3.14159265358979"},
        {-0.0, "0"}, {-1.5, "-1.5"}, {0.1 + 0.2, "0.3"}, {-1.5E-300, "-1.5E-300"},
        {9999999999999995.0, "1E+16"}, {0.01234567890123456, "1.23456789012346E-02"}};
    for (const auto& c : general)
        EXPECT_EQ(formatGeneralNumber(c.value, RegionalSettings::enUS()), c.text);
    EXPECT_EQ(formatGeneralNumber(1234.5, RegionalSettings::deDE()), "1234,5");
    EXPECT_EQ(formatGeneralNumber(1.2E15, RegionalSettings::deDE()), "1,2E+15");
    EXPECT_EQ(failureOf([] { formatGeneralNumber(kInf, RegionalSettings::enUS()); }), 6);
    for (const char* locale : {"U", "D"}) {
        const RegionalSettings rs = settingsNamed(locale);
        for (double v : {0.1, -2.5, 1e-7, 123456.789, 6.02214076e23, 1.0 / 3})
            EXPECT_NEAR(parseNumber(formatGeneralNumber(v, rs), rs), v, std::fabs(v) * 1e-14) << locale << ' ' << v;
    }
    // The decimal separator as the editing helpers and the decimal-point check take it.
    EXPECT_EQ(formatFixed(1, RegionalSettings::deDE()) + formatPointZero(RegionalSettings::enUS()), "1,00.0");
    EXPECT_EQ(formatInteger(std::numeric_limits<long long>::min()), "-9223372036854775808");
}
