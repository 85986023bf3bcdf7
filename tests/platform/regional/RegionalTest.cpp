// Dates and numbers as the runtime reads and writes them, in the regional settings given.
#include "../FailureOf.h"
#include "platform/regional/Conversions.h"
#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <optional>

using namespace ob::regional;
using ob::test::failureOf;
constexpr int kYear = 2026; // completes dates written without a year
const std::nullopt_t no = std::nullopt; // a text that is no date or number
const double kJan2_1970 = 25570.0;
constexpr double kInf = std::numeric_limits<double>::infinity();

// "U" en-US, "D" de-DE, "G" en-GB, "C" the C locale.
static RegionalSettings settingsNamed(const std::string& name)
{
    return name == "D" ? RegionalSettings::deDE() : name == "G" ? RegionalSettings::enGB()
           : name == "C" ? RegionalSettings::cLocale() : RegionalSettings::enUS();
}

static DateValue at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return makeDateTime({year, month, day, hour, minute, second});
}

TEST(DateValue, countsDaysFromTheEndOf1899AndAddsDaysAndMonthsKeepingTheTime)
{
    EXPECT_TRUE(makeDate(1899, 12, 31) == 1 && makeDate(1900, 3, 1) == 61 && makeDate(1600, 2, 29) == -109512);
    for (const CivilDateTime c : {CivilDateTime{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {2024, 4, 31},
                                  {2024, 4, 0}})
        EXPECT_EQ(failureOf([&] { makeDate(c.year, c.month, c.day); }), 5) << c.year << '-' << c.month << '-' << c.day;
    EXPECT_TRUE(failureOf([] { makeDate(99, 12, 31); }) == 6 && failureOf([] { makeDate(10000, 1, 1); }) == 6);
    EXPECT_EQ(failureOf([] { makeTime(24, 0, 0); }), 5);
    // Before day zero the time counts forward from the (negative) day; to the nearest second.
    EXPECT_NEAR(at(1899, 12, 29, 6), -1.25, 1e-12);
    EXPECT_FALSE(std::signbit(datePart(-0.5)));
    EXPECT_EQ(toCivil(-49192.24), (CivilDateTime{1765, 4, 24, 5, 45, 36}));
    EXPECT_EQ(toCivil(0.6 / 86400), (CivilDateTime{1899, 12, 30, 0, 0, 1}));
    EXPECT_EQ(toCivil(1.0 - 0.4 / 86400), (CivilDateTime{1899, 12, 31, 0, 0, 0}));
    EXPECT_EQ(toCivil(kMaxDate), (CivilDateTime{9999, 12, 31, 23, 59, 59}));
    for (double v : {2958466.0, -657435.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(failureOf([&] { toCivil(v); }), 6) << v;
    EXPECT_EQ(secondsSince1970({2024, 2, 29, 12, 0, 0}), 1'709'208'000);

    EXPECT_NEAR(addDays(at(2024, 12, 31, 18), 14), at(2025, 1, 14, 18), 1e-9);
    EXPECT_NEAR(addDays(-1.25, 1), 0.25, 1e-12); // 29 December 1899 06:00 to the 30th
    EXPECT_EQ(addDays(2958464.0, 1), 2958465.0);
    EXPECT_TRUE(failureOf([] { addDays(kMinDate, -1); }) == 6 && failureOf([] { addDays(0, 1e300); }) == 6);
    const struct { int year, month, day; long months; int toYear, toMonth, toDay; } months[] = {
        {2024, 1, 31, 1, 2024, 2, 29}, {2023, 1, 31, 1, 2023, 2, 28}, {2024, 3, 31, -1, 2024, 2, 29},
        {2024, 5, 31, 1, 2024, 6, 30}, {2024, 1, 15, -13, 2022, 12, 15}, {9999, 11, 30, 1, 9999, 12, 30}};
    for (const auto& m : months)
        EXPECT_EQ(addMonths(makeDate(m.year, m.month, m.day), m.months), makeDate(m.toYear, m.toMonth, m.toDay));
    EXPECT_NEAR(addMonths(-49192.24, 1), at(1765, 5, 24, 5, 45, 36), 1e-9);
    EXPECT_EQ(failureOf([] { addMonths(makeDate(9999, 12, 1), 1); }), 6);
    EXPECT_EQ(failureOf([] { addMonths(makeDate(2024, 1, 1), 2'000'000'000L); }), 6);
}

TEST(ParseDate, asTheRuntimeReadsIt)
{
    const struct { const char* locale; const char* text; std::optional<double> expected; } cases[] = {
        {"U", "1/2/1970", kJan2_1970}, {"U", "13-1-1970", at(1970, 1, 13)}, {"U", "1970-1-13", at(1970, 1, 13)},
        {"U", "2013-05-14 02:04:12", 41408.08625}, {"U", "6/30/2011 01:20:34 PM", 40724.55594907407},
        {"U", "6/30/2011\xE3\x80\x80" "01:20:34", 40724.05594907407}, {"U", "2 January, 1970", kJan2_1970},
        {"U", "JANUARY 2 1970", kJan2_1970}, {"U", "2-Jan-1970", kJan2_1970}, {"U", "Jan 2", at(kYear, 1, 2)},
        {"U", "2 1", at(kYear, 2, 1)}, {"U", "14 1", at(kYear, 1, 14)}, {"U", "30 2", at(2030, 2, 1)},
        {"U", "Jan 35", at(2035, 1, 1)}, {"U", "1 2 3", at(2003, 1, 2)}, {"U", "14 2 3", at(2014, 2, 3)},
        {"U", "31 12 49", at(2049, 12, 31)}, {"U", "1 1 50", at(1950, 1, 1)}, {"U", "1 1 100", kMinDate},
        {"U", "12/31/9999", 2958465.0}, {"U", "3 am 1 2", at(kYear, 1, 2, 3)}, {"U", "1.2 3 4 5", at(2005, 3, 4, 1, 2)},
        {"U", "1 2 3 4.5.6", at(2003, 1, 2, 4, 5, 6)}, {"U", "  4/24/1765 5:45:36 AM ", -49192.24},
        {"U", "7:5 pm", 0.7951388888888888}, {"U", "7 pm", 0.7916666666666666}, {"U", "12:59 A", 0.04097222222222222},
        {"U", "00:00 pm", 0.5}, {"U", "12:59 p", 0.5409722222222222}, {"U", "13:00 AM", 0.5416666666666666},
        {"U", "14.05", 0.5868055555555556}, {"U", "0.40", 0.02777777777777778}, {"U", "1.5.2", 0.04516203703703704},
        {"U", "23:59:59", 86399.0 / 86400}, {"U", "12 am", 0.0},
        {"U", "7", no}, {"U", "0.0", no}, {"U", "24:00", no}, {"U", "0:60", no}, {"U", "31/31/2026", no},
        {"U", "2/30/2026", no}, {"U", "02.01.1970", no}, {"U", "1/2/3/4", no}, {"U", "32 49", no}, {"U", "", no},
        {"U", "1/2/", no}, {"U", "1:2 3:4", no}, {"U", "2 pm pm", no}, {"U", "Jan Feb 2", no}, {"U", "1/1/10000", no},
        {"U", "1/2/2026x", no}, {"U", "2026 14:05", no}, {"U", "1 2 3 4", no}, {"U", "24 pm", no},
        {"U", "1/2/2026,", no}, {"U", "5:Jan", no}, {"U", "1:2:3:4", no},
        {"D", "02.01.1970", kJan2_1970}, {"D", "02.13.1970", at(1970, 2, 13)}, {"D", "2173-10-14", 100000.0},
        {"D", "14.05", at(kYear, 5, 14)}, {"D", "1 2 3", at(2003, 2, 1)}, {"D", "14:05", 0.5868055555555556},
        {"D", "2. M\xC3\xA4rz 2026", at(2026, 3, 2)}, {"D", "2 M\xC3\x84RZ 2026", at(2026, 3, 2)},
        {"D", "3 Okt 1990 13:45", at(1990, 10, 3, 13, 45)}, {"D", "1.2.3.4", no}, {"D", "2.", no},
        {"G", "13/01/2026", at(2026, 1, 13)}, {"G", "01/02/2026", at(2026, 2, 1)}, {"G", "1/13/2026", at(2026, 1, 13)},
        {"G", "13.01.2026", no},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " \"" + c.text + '"');
        const RegionalSettings rs = settingsNamed(c.locale);
        const std::optional<DateValue> got = tryParseDate(c.text, rs, kYear);
        EXPECT_EQ(isDate(c.text, rs, kYear), c.expected.has_value());
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        if (c.expected) {
            EXPECT_NEAR(*got, *c.expected, 1e-9);
            EXPECT_NEAR(parseDate(c.text, rs, kYear), *c.expected, 1e-9);
        } else {
            EXPECT_EQ(failureOf([&] { parseDate(c.text, rs, kYear); }), 13);
        }
    }
    const RegionalSettings us = RegionalSettings::enUS();
    for (const auto& [text, time] : {std::pair{"7:5 pm", true}, {"0:00", true}, {"3/4/2026 14:05", false}, {"", false}})
        EXPECT_EQ(isTime(text, us, kYear), time) << text;
    // 29 February of a common year cannot be a day: read as year and month.
    EXPECT_EQ(parseDate("2/29", us, 2024), makeDate(2024, 2, 29));
    EXPECT_EQ(parseDate("2/29", us, 2023), makeDate(2029, 2, 1));
    RegionalSettings ymd = us; // year-first settings put the month before the day, as month-first ones do
    ymd.dateOrder = DateOrder::YMD;
    EXPECT_EQ(parseDate("3/4", ymd, 2026), makeDate(2026, 3, 4));
    EXPECT_EQ(parseDate("3/4", RegionalSettings::enGB(), 2026), makeDate(2026, 4, 3));
    RegionalSettings rs = RegionalSettings::enUS(); // the locale's designators, not AM and PM
    rs.amDesignator = "vorm";
    rs.pmDesignator = "nachm";
    EXPECT_NEAR(parseDate("7:05 nachm", rs, kYear), makeTime(19, 5, 0), 1e-12);
    EXPECT_NEAR(parseDate("7:05 VORM", rs, kYear), makeTime(7, 5, 0), 1e-12);
    EXPECT_FALSE(isDate("7:05 pm", rs, kYear));
}

TEST(FormatDate, asTheRuntimeWritesIt)
{
    const struct { double serial; const char* text; } general[] = {
        {0.0, "12:00:00 AM"}, {3.34, "1/2/1900 8:09:36 AM"}, {1461.5, "12/31/1903 12:00:00 PM"},
        {-49192.24, "4/24/1765 5:45:36 AM"}, {-657434.0, "1/1/100"}, {-0.5, "12:00:00 PM"},
        {makeTime(0, 59, 1), "12:59:01 AM"}, {makeTime(11, 59, 59), "11:59:59 AM"}};
    for (const auto& c : general)
        EXPECT_EQ(formatGeneralDate(c.serial, RegionalSettings::enUS()), c.text) << c.serial;
    // 2 January 2026 15:04:05 in each locale: short date, long time, general date.
    const struct { const char* locale; const char* shortDate; const char* longTime; } named[] = {
        {"U", "1/2/2026", "3:04:05 PM"}, {"D", "02.01.2026", "15:04:05"}, {"G", "02/01/2026", "15:04:05"},
        {"C", "1/2/2026", "15:04:05"}};
    for (const auto& c : named) {
        const RegionalSettings rs = settingsNamed(c.locale);
        const DateValue v = at(2026, 1, 2, 15, 4, 5);
        EXPECT_EQ(formatShortDate(v, rs), c.shortDate);
        EXPECT_EQ(formatLongTime(v, rs), c.longTime);
        EXPECT_EQ(formatGeneralDate(v, rs), std::string(c.shortDate) + " " + c.longTime);
        EXPECT_EQ(formatGeneralDate(makeDate(2026, 1, 2), rs), c.shortDate);
        EXPECT_EQ(formatGeneralDate(makeTime(15, 4, 5), rs), c.longTime);
    }
    RegionalSettings rs = RegionalSettings::deDE();
    rs.shortDatePattern = "d. MMMM yyyy 'y'MM'm''x' dd-MMM-yy";
    rs.longTimePattern = "hh.mm t H:m:s";
    rs.amDesignator = "vorm.";
    EXPECT_EQ(formatShortDate(makeDate(2007, 3, 5), rs), "5. M\xC3\xA4rz 2007 y03m'x 05-M\xC3\xA4r-07");
    EXPECT_EQ(formatLongTime(makeTime(7, 5, 3), rs), "07.05 v 7:5:3");
    const RegionalSettings us = RegionalSettings::enUS();
    const struct { const char* text; const char* longTime; } texts[] = {{"14:05", "2:05:00 PM"}, {"2.5", "2:05:00 AM"},
        {"1/2/2026 7:08:09 pm", "7:08:09 PM"}, {"1/2/2026", "12:00:00 AM"}, {"", ""}, {"25:00", "25:00"}};
    for (const auto& c : texts)
        EXPECT_EQ(formatTextLongTime(c.text, us, kYear), c.longTime) << c.text;
    EXPECT_EQ(formatTextLongTime("14:05", RegionalSettings::deDE(), kYear), "14:05:00");
    EXPECT_EQ(formatIsoDate(at(2026, 1, 2, 15, 4, 5)) + " " + formatIsoDate(-49192.24), "2026-01-02 1765-04-24");
    EXPECT_EQ(formatHms(0.6046875) + " " + formatHm(-49192.24), "14:30:45 05:45");
}

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
        {"", 0}, {"1e+", 1}, {"\t1\r\n2", 12}, {"--5", 0}, {"1e-400", 0}, {"1.5e - 2", 0.015}};
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
    for (double x : {32767.5, -32769.0, -32768.51, std::numeric_limits<double>::quiet_NaN(), kInf})
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
    EXPECT_EQ(formatFixed(1, RegionalSettings::deDE()) + formatPointZero(RegionalSettings::deDE()), "1,00,0");
    EXPECT_EQ(formatPointZero(RegionalSettings::enUS()), ".0");
}
