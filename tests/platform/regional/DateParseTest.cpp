#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "RegionalTestUtil.h"
#include "platform/regional/Conversions.h"

namespace ob::regional {
namespace {

using test::at;
using test::failureOf;
using test::kYear;
using test::settingsNamed;

struct DateCase {
    const char* locale;
    const char* text;
    std::optional<double> expected; // nullopt: type mismatch
};

void PrintTo(const DateCase& c, std::ostream* os)
{
    *os << c.locale << " \"" << c.text << '"';
}

class ParseDateTable : public ::testing::TestWithParam<DateCase> {};

TEST_P(ParseDateTable, AsTheRuntimeReadsIt)
{
    const DateCase& c = GetParam();
    const RegionalSettings rs = settingsNamed(c.locale);
    const std::optional<DateValue> got = tryParseDate(c.text, rs, kYear);
    EXPECT_EQ(isDate(c.text, rs, kYear), c.expected.has_value());
    if (!c.expected) {
        EXPECT_FALSE(got.has_value()) << "read as " << *got;
        EXPECT_EQ(failureOf([&] { parseDate(c.text, rs, kYear); }), 13);
        return;
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_NEAR(*got, *c.expected, 1e-9);
    EXPECT_NEAR(parseDate(c.text, rs, kYear), *c.expected, 1e-9);
}

const double kJan2_1970 = 25570.0;
const double kJan13_1970 = 25581.0;

// Dates written in the en-US locale (month first).
INSTANTIATE_TEST_SUITE_P(
    EnUsDates, ParseDateTable,
    ::testing::Values(
        DateCase{"en-US", "1/2/1970", kJan2_1970}, DateCase{"en-US", "1-2-1970", kJan2_1970},
        DateCase{"en-US", "1 2 1970", kJan2_1970}, DateCase{"en-US", "13-1-1970", kJan13_1970},
        DateCase{"en-US", "13/1/2026", at(2026, 1, 13)}, DateCase{"en-US", "1970-1-13", kJan13_1970},
        DateCase{"en-US", "2013-05-14 02:04:12", 41408.08625},
        DateCase{"en-US", "6/30/2011 01:20:34 PM", 40724.55594907407},
        DateCase{"en-US", "6/30/2011 01:20:34 AM", 40724.05594907407},
        DateCase{"en-US", "6/30/2011 01:20:34", 40724.05594907407},
        DateCase{"en-US", "6/30/2011\xE3\x80\x80" "01:20:34", 40724.05594907407},
        DateCase{"en-US", "2 January, 1970", kJan2_1970}, DateCase{"en-US", "2 January 1970", kJan2_1970},
        DateCase{"en-US", "2 Jan 1970", kJan2_1970}, DateCase{"en-US", "2-Jan-1970", kJan2_1970},
        DateCase{"en-US", "2/Jan/1970", kJan2_1970}, DateCase{"en-US", "January 2, 1970", kJan2_1970},
        DateCase{"en-US", "JANUARY 2 1970", kJan2_1970}, DateCase{"en-US", "1970 jan 2", kJan2_1970},
        DateCase{"en-US", "Jan 2", at(kYear, 1, 2)}, DateCase{"en-US", "2 Jan", at(kYear, 1, 2)},
        DateCase{"en-US", "1 2", at(kYear, 1, 2)}, DateCase{"en-US", "2 1", at(kYear, 2, 1)},
        DateCase{"en-US", "14 1", at(kYear, 1, 14)}, DateCase{"en-US", "1 14", at(kYear, 1, 14)},
        DateCase{"en-US", "30 2", at(2030, 2, 1)}, DateCase{"en-US", "2 30", at(2030, 2, 1)},
        DateCase{"en-US", "Jan 35", at(2035, 1, 1)}, DateCase{"en-US", "35 Jan", at(2035, 1, 1)},
        DateCase{"en-US", "Jan-35", at(2035, 1, 1)}, DateCase{"en-US", "35/Jan", at(2035, 1, 1)},
        DateCase{"en-US", "1 2 3", at(2003, 1, 2)}, DateCase{"en-US", "2 14 3", at(2003, 2, 14)},
        DateCase{"en-US", "14 2 3", at(2014, 2, 3)}, DateCase{"en-US", "2 3 14", at(2014, 2, 3)},
        DateCase{"en-US", "32 2 3", at(2032, 2, 3)}, DateCase{"en-US", "2 3 32", at(2032, 2, 3)},
        DateCase{"en-US", "1 1 0", at(2000, 1, 1)}, DateCase{"en-US", "31 12 49", at(2049, 12, 31)},
        DateCase{"en-US", "1 1 50", at(1950, 1, 1)}, DateCase{"en-US", "1 2 29", at(2029, 1, 2)},
        DateCase{"en-US", "1 1 100", kMinDate}, DateCase{"en-US", "12/31/9999", 2958465.0},
        DateCase{"en-US", "3 am 1 2", at(kYear, 1, 2, 3)}, DateCase{"en-US", "1 2 3 am", at(kYear, 1, 2, 3)},
        DateCase{"en-US", "1.2 3 4", at(kYear, 3, 4, 1, 2)}, DateCase{"en-US", "3 4 1.2", at(kYear, 3, 4, 1, 2)},
        DateCase{"en-US", "1.2.3 4 5", at(kYear, 4, 5, 1, 2, 3)},
        DateCase{"en-US", "1.2 3 4 5", at(2005, 3, 4, 1, 2)}, DateCase{"en-US", "1 2 3 4.5", at(2003, 1, 2, 4, 5)},
        DateCase{"en-US", "1.2.3 4 5 6", at(2006, 4, 5, 1, 2, 3)},
        DateCase{"en-US", "1 2 3 4.5.6", at(2003, 1, 2, 4, 5, 6)},
        DateCase{"en-US", "  4/24/1765 5:45:36 AM ", -49192.24}));

// Times, and everything the en-US locale refuses.
INSTANTIATE_TEST_SUITE_P(
    EnUsTimes, ParseDateTable,
    ::testing::Values(
        DateCase{"en-US", "7:5 pm", 0.7951388888888888}, DateCase{"en-US", "3:5", 0.1284722222222222},
        DateCase{"en-US", "14:05", 0.5868055555555556}, DateCase{"en-US", "2:30:45 PM", 0.6046875},
        DateCase{"en-US", "7 pm", 0.7916666666666666}, DateCase{"en-US", "1 am", 0.0416666666666667},
        DateCase{"en-US", "00:00 AM", 0.0}, DateCase{"en-US", "00:00 a", 0.0},
        DateCase{"en-US", "12:59 AM", 0.04097222222222222}, DateCase{"en-US", "12:59 A", 0.04097222222222222},
        DateCase{"en-US", "00:00 pm", 0.5}, DateCase{"en-US", "00:00 p", 0.5},
        DateCase{"en-US", "12:59 pm", 0.5409722222222222}, DateCase{"en-US", "12:59 p", 0.5409722222222222},
        DateCase{"en-US", "13:00 AM", 0.5416666666666666}, DateCase{"en-US", "13:00 PM", 0.5416666666666666},
        DateCase{"en-US", "14.05", 0.5868055555555556}, DateCase{"en-US", "2.5", 0.08680555555555555},
        DateCase{"en-US", "0.1", 0.0006944444444444445}, DateCase{"en-US", "0.40", 0.02777777777777778},
        DateCase{"en-US", "0:1", 0.0006944444444444445}, DateCase{"en-US", "0:20", 0.01388888888888889},
        DateCase{"en-US", "0.1.0", 0.0006944444444444445}, DateCase{"en-US", "1.5.2", 0.04516203703703704},
        DateCase{"en-US", "23:59:59", 86399.0 / 86400}, DateCase{"en-US", "0:00", 0.0}));

INSTANTIATE_TEST_SUITE_P(
    EnUsMismatches, ParseDateTable,
    ::testing::Values(
        DateCase{"en-US", "7", std::nullopt}, DateCase{"en-US", "0", std::nullopt},
        DateCase{"en-US", "1", std::nullopt}, DateCase{"en-US", "0.0", std::nullopt},
        DateCase{"en-US", "25:00", std::nullopt}, DateCase{"en-US", "24:00", std::nullopt},
        DateCase{"en-US", "0:60", std::nullopt}, DateCase{"en-US", "24.00", std::nullopt},
        DateCase{"en-US", "0.60", std::nullopt}, DateCase{"en-US", "1:2:60", std::nullopt},
        DateCase{"en-US", "31/31/2026", std::nullopt}, DateCase{"en-US", "2/30/2026", std::nullopt},
        DateCase{"en-US", "02.01.1970", std::nullopt}, DateCase{"en-US", "02.01.1970 00:00:00", std::nullopt},
        DateCase{"en-US", "1/2/3/4", std::nullopt}, DateCase{"en-US", "32 49", std::nullopt},
        DateCase{"en-US", "0 49", std::nullopt}, DateCase{"en-US", "2013-05-14 02:04:12.017", std::nullopt},
        DateCase{"en-US", "Tuesday, January 13, 2026", std::nullopt}, DateCase{"en-US", "tomorrow", std::nullopt},
        DateCase{"en-US", "True", std::nullopt}, DateCase{"en-US", "1;2;3", std::nullopt},
        DateCase{"en-US", "", std::nullopt}, DateCase{"en-US", "   ", std::nullopt},
        DateCase{"en-US", "1/2/", std::nullopt}, DateCase{"en-US", "1 2,", std::nullopt},
        DateCase{"en-US", "12:", std::nullopt}, DateCase{"en-US", ":12", std::nullopt},
        DateCase{"en-US", "/1/2", std::nullopt}, DateCase{"en-US", "1 2 3 4 5 6 7", std::nullopt},
        DateCase{"en-US", "1:2:3:4", std::nullopt}, DateCase{"en-US", "1:2 3:4", std::nullopt},
        DateCase{"en-US", "2 pm pm", std::nullopt}, DateCase{"en-US", "pm 2", std::nullopt},
        DateCase{"en-US", "Jan Feb 2", std::nullopt}, DateCase{"en-US", "Jan", std::nullopt},
        DateCase{"en-US", "1/1/10000", std::nullopt}, DateCase{"en-US", "1/2/2026x", std::nullopt},
        DateCase{"en-US", "2026 14:05", std::nullopt}, DateCase{"en-US", "1 2 3 4", std::nullopt},
        DateCase{"en-US", "99999999999 1 2", std::nullopt}, DateCase{"en-US", "24 pm", std::nullopt}));

// Day-first locales: de-DE with "." as the date separator, en-GB with "/".
INSTANTIATE_TEST_SUITE_P(
    DayFirst, ParseDateTable,
    ::testing::Values(
        DateCase{"de-DE", "02.01.1970", kJan2_1970}, DateCase{"de-DE", "02.01.1970 00:00:00", kJan2_1970},
        DateCase{"de-DE", "02.13.1970", at(1970, 2, 13)}, DateCase{"de-DE", "02-13-1970", at(1970, 2, 13)},
        DateCase{"de-DE", "2020-01-11", 43841.0}, DateCase{"de-DE", "2173-10-14", 100000.0},
        DateCase{"de-DE", "14.05", at(kYear, 5, 14)}, DateCase{"de-DE", "1 2", at(kYear, 2, 1)},
        DateCase{"de-DE", "1 2 3", at(2003, 2, 1)}, DateCase{"de-DE", "14:05", 0.5868055555555556},
        DateCase{"de-DE", "2 M\xC3\xA4r 2026", at(2026, 3, 2)},
        DateCase{"de-DE", "2. M\xC3\xA4rz 2026", at(2026, 3, 2)},
        DateCase{"de-DE", "2 M\xC3\x84RZ 2026", at(2026, 3, 2)}, DateCase{"de-DE", "1. Mai 2026", at(2026, 5, 1)},
        DateCase{"de-DE", "3 Okt 1990 13:45", at(1990, 10, 3, 13, 45)},
        DateCase{"de-DE", "24.12.2026 18:30:15", at(2026, 12, 24, 18, 30, 15)},
        DateCase{"de-DE", "1.2.3.4", std::nullopt}, DateCase{"de-DE", "31.31.2026", std::nullopt},
        DateCase{"de-DE", "2.", std::nullopt}, DateCase{"en-GB", "13/01/2026", at(2026, 1, 13)},
        DateCase{"en-GB", "01/02/2026", at(2026, 2, 1)}, DateCase{"en-GB", "1/13/2026", at(2026, 1, 13)},
        DateCase{"en-GB", "13.01.2026", std::nullopt}, DateCase{"en-GB", "1 2", at(kYear, 2, 1)},
        DateCase{"en-GB", "14 2 3", at(2003, 2, 14)}, DateCase{"en-GB", "1970-1-13", kJan13_1970},
        DateCase{"en-GB", "02/01/2026 15:04:05", at(2026, 1, 2, 15, 4, 5)}));

struct TimeCase {
    const char* text;
    bool time;
};

class IsTimeTable : public ::testing::TestWithParam<TimeCase> {};

TEST_P(IsTimeTable, OnlyATimeOfDay)
{
    EXPECT_EQ(isTime(GetParam().text, RegionalSettings::enUS(), kYear), GetParam().time);
}

INSTANTIATE_TEST_SUITE_P(EnUs, IsTimeTable,
                         ::testing::Values(TimeCase{"14:05", true}, TimeCase{"7:5 pm", true},
                                           TimeCase{"2:30:45 PM", true}, TimeCase{"7 pm", true},
                                           TimeCase{"0:00", true}, TimeCase{"3/4/2026", false},
                                           TimeCase{"3/4/2026 14:05", false}, TimeCase{"", false},
                                           TimeCase{"abc", false}, TimeCase{"25:00", false},
                                           TimeCase{"7", false}));

TEST(ParseDate, YearlessDatesTakeTheGivenYear)
{
    const RegionalSettings rs = RegionalSettings::enUS();
    EXPECT_EQ(parseDate("2/29", rs, 2024), makeDate(2024, 2, 29));
    // 29 February of a common year cannot be a day: read as year and month.
    EXPECT_EQ(parseDate("2/29", rs, 2023), makeDate(2029, 2, 1));
    // Year-first settings put the month before the day, as month-first ones do.
    RegionalSettings ymd = rs;
    ymd.dateOrder = DateOrder::YMD;
    EXPECT_EQ(parseDate("3/4", ymd, 2026), makeDate(2026, 3, 4));
    EXPECT_EQ(parseDate("3/4", RegionalSettings::enGB(), 2026), makeDate(2026, 4, 3));
}

TEST(ParseDate, LocaleDesignatorsAreUsed)
{
    RegionalSettings rs = RegionalSettings::enUS();
    rs.amDesignator = "vorm";
    rs.pmDesignator = "nachm";
    EXPECT_NEAR(parseDate("7:05 nachm", rs, kYear), at(1899, 12, 30, 19, 5), 1e-12);
    EXPECT_NEAR(parseDate("7:05 VORM", rs, kYear), at(1899, 12, 30, 7, 5), 1e-12);
    EXPECT_NEAR(parseDate("7:05 p", rs, kYear), at(1899, 12, 30, 19, 5), 1e-12);
    EXPECT_FALSE(isDate("7:05 pm", rs, kYear));
}

} // namespace
} // namespace ob::regional
