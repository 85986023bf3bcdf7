#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "RegionalTestUtil.h"
#include "platform/regional/Conversions.h"

namespace ob::regional {
namespace {

using test::failureOf;
using test::settingsNamed;

struct NumberCase {
    const char* locale;
    const char* text;
    std::optional<double> expected; // nullopt: type mismatch
};

void PrintTo(const NumberCase& c, std::ostream* os)
{
    *os << c.locale << " \"" << c.text << '"';
}

class ParseNumberTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumberTable, ByTheSystemNumberRules)
{
    const NumberCase& c = GetParam();
    const RegionalSettings rs = settingsNamed(c.locale);
    EXPECT_EQ(isNumeric(c.text, rs), c.expected.has_value());
    if (!c.expected) {
        EXPECT_FALSE(tryParseNumber(c.text, rs).has_value());
        EXPECT_EQ(failureOf([&] { parseNumber(c.text, rs); }), 13);
        return;
    }
    EXPECT_EQ(parseNumber(c.text, rs), *c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EnUs, ParseNumberTable,
    ::testing::Values(
        NumberCase{"en-US", "12", 12}, NumberCase{"en-US", " 12 ", 12}, NumberCase{"en-US", "+12", 12},
        NumberCase{"en-US", "-12", -12}, NumberCase{"en-US", "12-", -12}, NumberCase{"en-US", "(12)", -12},
        NumberCase{"en-US", "$12", 12}, NumberCase{"en-US", "12$", 12}, NumberCase{"en-US", "$ 12", 12},
        NumberCase{"en-US", "-$12", -12}, NumberCase{"en-US", "($1,000.25)", -1000.25},
        NumberCase{"en-US", "1,234.5", 1234.5}, NumberCase{"en-US", "$1,234.5", 1234.5},
        NumberCase{"en-US", "1,2,3", 123}, NumberCase{"en-US", "1,,000", 1000},
        NumberCase{"en-US", "1,00,0,,", 1000}, NumberCase{"en-US", "1,5", 15}, NumberCase{"en-US", "1.5e3", 1500},
        NumberCase{"en-US", "1E+3", 1000}, NumberCase{"en-US", "1e-1", 0.1}, NumberCase{"en-US", "&H10", 16},
        NumberCase{"en-US", "&hFF", 255}, NumberCase{"en-US", "&O17", 15}, NumberCase{"en-US", "&HFFFF", -1},
        NumberCase{"en-US", "&H10000", 65536}, NumberCase{"en-US", "&HFFFFFFFF", -1},
        NumberCase{"en-US", ".5", 0.5}, NumberCase{"en-US", "1.", 1}, NumberCase{"en-US", "0.1", 0.1},
        NumberCase{"en-US", "-0", 0}, NumberCase{"en-US", "\t7\r\n", 7},
        NumberCase{"en-US", "123456789012345678901234567890", 1.2345678901234568e29},
        NumberCase{"en-US", "1e-400", 0}));

INSTANTIATE_TEST_SUITE_P(
    EnUsMismatches, ParseNumberTable,
    ::testing::Values(NumberCase{"en-US", ",123", std::nullopt}, NumberCase{"en-US", "1e", std::nullopt},
                      NumberCase{"en-US", "1e+", std::nullopt}, NumberCase{"en-US", "1d3", std::nullopt},
                      NumberCase{"en-US", "0x10", std::nullopt}, NumberCase{"en-US", ".", std::nullopt},
                      NumberCase{"en-US", "-", std::nullopt}, NumberCase{"en-US", "$", std::nullopt},
                      NumberCase{"en-US", "", std::nullopt}, NumberCase{"en-US", " ", std::nullopt},
                      NumberCase{"en-US", "1.2.3", std::nullopt}, NumberCase{"en-US", "12abc", std::nullopt},
                      NumberCase{"en-US", "--5", std::nullopt}, NumberCase{"en-US", "+ +0", std::nullopt},
                      NumberCase{"en-US", "1 000", std::nullopt}, NumberCase{"en-US", "(12", std::nullopt},
                      NumberCase{"en-US", "12)", std::nullopt}, NumberCase{"en-US", "$12$", std::nullopt},
                      NumberCase{"en-US", "(-12)", std::nullopt}, NumberCase{"en-US", "12--", std::nullopt},
                      NumberCase{"en-US", "&H", std::nullopt}, NumberCase{"en-US", "&HG", std::nullopt},
                      NumberCase{"en-US", "&O8", std::nullopt}, NumberCase{"en-US", "1/2", std::nullopt},
                      NumberCase{"en-US", "12\xE2\x82\xAC", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    DeDe, ParseNumberTable,
    ::testing::Values(NumberCase{"de-DE", "1,5", 1.5}, NumberCase{"de-DE", "1.5", 15},
                      NumberCase{"de-DE", "1.234,5", 1234.5}, NumberCase{"de-DE", "-1.234,5", -1234.5},
                      NumberCase{"de-DE", "12 \xE2\x82\xAC", 12}, NumberCase{"de-DE", "\xE2\x82\xAC" "12,50", 12.5},
                      NumberCase{"de-DE", "1,5e2", 150}, NumberCase{"de-DE", ",5", 0.5},
                      NumberCase{"de-DE", "1,2,3", std::nullopt}, NumberCase{"de-DE", ".5", std::nullopt},
                      NumberCase{"de-DE", "$12", std::nullopt}));

TEST(ParseNumber, BeyondTheDoubleRangeIsOverflow)
{
    const RegionalSettings rs = RegionalSettings::enUS();
    EXPECT_EQ(failureOf([&] { parseNumber("1e400", rs); }), 6);
    EXPECT_EQ(failureOf([&] { parseNumber("1" + std::string(400, '0'), rs); }), 6);
    EXPECT_FALSE(tryParseNumber("1e400", rs).has_value());
    EXPECT_FALSE(isNumeric("1e400", rs));
}

TEST(ParseNumber, LongDigitRunsRoundCorrectly)
{
    const RegionalSettings rs = RegionalSettings::enUS();
    // 2^53 + 1 lies halfway between two doubles: ties go to even.
    EXPECT_EQ(parseNumber("9007199254740993", rs), 9007199254740992.0);
    // Any further non-zero digit, however far out, tips it upwards.
    EXPECT_EQ(parseNumber("9007199254740993." + std::string(1000, '0') + "1", rs), 9007199254740994.0);
    EXPECT_EQ(parseNumber("0." + std::string(1000, '0') + "1", rs), 0.0);
    EXPECT_EQ(parseNumber(std::string(500, '0') + "42", rs), 42.0);
}

TEST(ParseNumber, SpaceAsGroupingSeparator)
{
    RegionalSettings rs = RegionalSettings::deDE();
    rs.groupingSeparator = "\xC2\xA0";
    EXPECT_EQ(parseNumber("1\xC2\xA0" "000,5", rs), 1000.5);
}

struct ValCase {
    const char* text;
    double expected;
};

class ValTable : public ::testing::TestWithParam<ValCase> {};

TEST_P(ValTable, LeadingNumberOfTheText)
{
    EXPECT_EQ(val(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ValTable,
    ::testing::Values(ValCase{"12 months", 12}, ValCase{" 2.5x", 2.5}, ValCase{"1 2 3", 123},
                      ValCase{" 2 45 7", 2457}, ValCase{"1615 198th Street N.E.", 1615198}, ValCase{"24 and 57", 24},
                      ValCase{"WO-77", 0}, ValCase{"-0815", -815}, ValCase{"- 5", -5}, ValCase{"5-", 5},
                      ValCase{"1,000", 1}, ValCase{"$5", 0}, ValCase{"1.2.3", 1.2}, ValCase{"-123.4e-2", -1.234},
                      ValCase{"1.5D3", 1500}, ValCase{"1.5 d 3", 1500}, ValCase{"&HFFFF", -1}, ValCase{"&H10", 16},
                      ValCase{"&O17", 15}, ValCase{"&HFFFFFFFF", -1}, ValCase{"&H10000", 65536},
                      ValCase{"& H 1 0", 16}, ValCase{"&Hx", 0}, ValCase{"&", 0}, ValCase{"", 0}, ValCase{"abc", 0},
                      ValCase{"50%", 50}, ValCase{"1e", 1}, ValCase{"1e+", 1}, ValCase{"\t1\r\n2", 12},
                      ValCase{".5", 0.5}, ValCase{"+7", 7}, ValCase{"--5", 0}, ValCase{"-", 0},
                      ValCase{"0.1", 0.1}, ValCase{"1e-400", 0}));

TEST(Val, NegativeZeroIsZero)
{
    EXPECT_FALSE(std::signbit(val("-0")));
    EXPECT_FALSE(std::signbit(val("-abc")));
}

TEST(Val, BeyondTheDoubleRangeIsOverflow)
{
    EXPECT_EQ(failureOf([] { val("1e400"); }), 6);
}

struct RoundCase {
    double x;
    int expected;
};

class RoundHalfEven : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEven, CIntAndCLng)
{
    EXPECT_EQ(toInt16(GetParam().x), GetParam().expected);
    EXPECT_EQ(toInt32(GetParam().x), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEven,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2}, RoundCase{3.5, 4},
                                           RoundCase{-0.5, 0}, RoundCase{-1.5, -2}, RoundCase{-2.5, -2},
                                           RoundCase{2.4999, 2}, RoundCase{2.5001, 3}, RoundCase{-2.5001, -3},
                                           RoundCase{0.49999999999999994, 0}, RoundCase{32767.4, 32767},
                                           RoundCase{-32768.5, -32768}, RoundCase{7, 7}));

TEST(ToInt16, OverflowAfterRounding)
{
    EXPECT_EQ(failureOf([] { toInt16(32767.5); }), 6);
    EXPECT_EQ(failureOf([] { toInt16(-32769.0); }), 6);
    EXPECT_EQ(failureOf([] { toInt16(-32768.51); }), 6);
    EXPECT_EQ(failureOf([] { toInt16(std::numeric_limits<double>::quiet_NaN()); }), 6);
    EXPECT_EQ(failureOf([] { toInt16(std::numeric_limits<double>::infinity()); }), 6);
}

TEST(ToInt32, OverflowAfterRounding)
{
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
    EXPECT_EQ(toInt32(-2147483648.5), -2147483647 - 1);
    EXPECT_EQ(failureOf([] { toInt32(2147483647.5); }), 6);
    EXPECT_EQ(failureOf([] { toInt32(-2147483649.0); }), 6);
    EXPECT_EQ(failureOf([] { toInt32(1e300); }), 6);
}

TEST(ToInt, TextIsParsedThenRounded)
{
    const RegionalSettings us = RegionalSettings::enUS();
    const RegionalSettings de = RegionalSettings::deDE();
    EXPECT_EQ(toInt16("2.5", us), 2);
    EXPECT_EQ(toInt16("1,5", us), 15);
    EXPECT_EQ(toInt16("1,5", de), 2);
    EXPECT_EQ(toInt32("(3.5)", us), -4);
    EXPECT_EQ(toInt32("&HFFFF", us), -1);
    EXPECT_EQ(failureOf([&] { toInt16("abc", us); }), 13);
    EXPECT_EQ(failureOf([&] { toInt16("40000", us); }), 6);
    EXPECT_EQ(failureOf([&] { toInt32("", us); }), 13);
}

struct GeneralNumberCase {
    double value;
    const char* text;
};

class GeneralNumberEnUs : public ::testing::TestWithParam<GeneralNumberCase> {};

TEST_P(GeneralNumberEnUs, AsCStrOfADouble)
{
    EXPECT_EQ(formatGeneralNumber(GetParam().value, RegionalSettings::enUS()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GeneralNumberEnUs,
    ::testing::Values(GeneralNumberCase{0.56789, "0.56789"}, GeneralNumberCase{1.5E-3, "0.0015"},
                      GeneralNumberCase{0.0001, "0.0001"}, GeneralNumberCase{5.6789E-5, "0.000056789"},
                      GeneralNumberCase{5.6789E-11, "0.000000000056789"}, GeneralNumberCase{5.6789E-12, "5.6789E-12"},
                      GeneralNumberCase{999999999999999.0, "999999999999999"}, GeneralNumberCase{1E15, "1E+15"},
                      GeneralNumberCase{1.2E15, "1.2E+15"}, GeneralNumberCase{1E20, "1E+20"},
                      GeneralNumberCase{1.234E16, "1.234E+16"}, GeneralNumberCase{3.141592653589793, "3.14159265358979"},
                      GeneralNumberCase{12.345678901234567, "12.3456789012346"}, GeneralNumberCase{0.0, "0"},
                      GeneralNumberCase{-0.0, "0"}, GeneralNumberCase{1.0, "1"}, GeneralNumberCase{-1.5, "-1.5"},
                      GeneralNumberCase{100.0, "100"}, GeneralNumberCase{1E14, "100000000000000"},
                      GeneralNumberCase{0.1 + 0.2, "0.3"}, GeneralNumberCase{1E100, "1E+100"},
                      GeneralNumberCase{-1.5E-300, "-1.5E-300"}, GeneralNumberCase{123456789012345678.0, "1.23456789012346E+17"},
                      GeneralNumberCase{9999999999999995.0, "1E+16"}, GeneralNumberCase{0.01234567890123456, "1.23456789012346E-02"},
                      GeneralNumberCase{1E-15, "0.000000000000001"}, GeneralNumberCase{1E-16, "1E-16"},
                      GeneralNumberCase{-32768.0, "-32768"}));

TEST(FormatGeneralNumber, LocaleDecimalSeparator)
{
    EXPECT_EQ(formatGeneralNumber(0.5, RegionalSettings::deDE()), "0,5");
    EXPECT_EQ(formatGeneralNumber(1234.5, RegionalSettings::deDE()), "1234,5");
    EXPECT_EQ(formatGeneralNumber(1.2E15, RegionalSettings::deDE()), "1,2E+15");
    EXPECT_EQ(formatGeneralNumber(1234.5, RegionalSettings::enGB()), "1234.5");
}

TEST(FormatGeneralNumber, NotANumberIsOverflow)
{
    EXPECT_EQ(failureOf([] { formatGeneralNumber(std::numeric_limits<double>::infinity(), RegionalSettings::enUS()); }),
              6);
}

TEST(FormatGeneralNumber, ReadsBackThroughParseNumber)
{
    for (const char* locale : {"en-US", "de-DE"}) {
        const RegionalSettings rs = settingsNamed(locale);
        for (double v : {0.1, -2.5, 1e-7, 123456.789, 6.02214076e23, 1.0 / 3}) {
            const double back = parseNumber(formatGeneralNumber(v, rs), rs);
            EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << locale << ' ' << v;
        }
    }
}

TEST(FormatFixed, TwoDecimalsAtLeastOneIntegerDigit)
{
    const RegionalSettings us = RegionalSettings::enUS();
    EXPECT_EQ(formatFixed(1, us), "1.00");
    EXPECT_EQ(formatFixed(1, RegionalSettings::deDE()), "1,00");
    EXPECT_EQ(formatFixed(0, us), "0.00");
    EXPECT_EQ(formatFixed(0.17, us), "0.17");
    EXPECT_EQ(formatFixed(-1.5, us), "-1.50");
    EXPECT_EQ(formatFixed(1.005, us), "1.01");
    EXPECT_EQ(formatFixed(2.675, us), "2.68");
    EXPECT_EQ(formatFixed(0.004, us), "0.00");
    EXPECT_EQ(formatFixed(0.005, us), "0.01");
    EXPECT_EQ(formatFixed(-0.001, us), "0.00");
    EXPECT_EQ(formatFixed(999.999, us), "1000.00");
    EXPECT_EQ(formatFixed(1234567.891, us), "1234567.89");
    EXPECT_EQ(formatFixed(1e20, us), "100000000000000000000.00");
}

TEST(FormatPointZero, ShowsTheDecimalSeparator)
{
    EXPECT_EQ(formatPointZero(RegionalSettings::enUS()), ".0");
    EXPECT_EQ(formatPointZero(RegionalSettings::deDE()), ",0");
}

TEST(FormatInteger, PlainDecimal)
{
    EXPECT_EQ(formatInteger(-1), "-1");
    EXPECT_EQ(formatInteger(32001), "32001");
    EXPECT_EQ(formatInteger(0), "0");
    EXPECT_EQ(formatInteger(std::numeric_limits<long long>::min()), "-9223372036854775808");
}

} // namespace
} // namespace ob::regional
