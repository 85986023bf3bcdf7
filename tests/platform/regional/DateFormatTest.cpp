#include <gtest/gtest.h>

#include <string>

#include "RegionalTestUtil.h"
#include "platform/regional/Conversions.h"

namespace ob::regional {
namespace {

using test::at;
using test::kYear;
using test::settingsNamed;

struct GeneralDateCase {
    double serial;
    const char* text;
};

class GeneralDateEnUs : public ::testing::TestWithParam<GeneralDateCase> {};

TEST_P(GeneralDateEnUs, AsCStrOfADate)
{
    EXPECT_EQ(formatGeneralDate(GetParam().serial, RegionalSettings::enUS()), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Serials, GeneralDateEnUs,
                         ::testing::Values(GeneralDateCase{0.0, "12:00:00 AM"},
                                           GeneralDateCase{3.34, "1/2/1900 8:09:36 AM"},
                                           GeneralDateCase{365.0, "12/30/1900"},
                                           GeneralDateCase{365.25, "12/30/1900 6:00:00 AM"},
                                           GeneralDateCase{1461.5, "12/31/1903 12:00:00 PM"},
                                           GeneralDateCase{-49192.24, "4/24/1765 5:45:36 AM"},
                                           GeneralDateCase{-657434.0, "1/1/100"},
                                           GeneralDateCase{2958465.0, "12/31/9999"},
                                           GeneralDateCase{0.5868055555555556, "2:05:00 PM"},
                                           GeneralDateCase{-0.5, "12:00:00 PM"}));

struct NamedFormatCase {
    const char* locale;
    const char* shortDate;
    const char* longTime;
    const char* generalDate;
};

class NamedFormats : public ::testing::TestWithParam<NamedFormatCase> {};

// 2 January 2026 15:04:05 in each locale.
TEST_P(NamedFormats, OfOneMoment)
{
    const NamedFormatCase& c = GetParam();
    const RegionalSettings rs = settingsNamed(c.locale);
    const DateValue v = at(2026, 1, 2, 15, 4, 5);
    EXPECT_EQ(formatShortDate(v, rs), c.shortDate);
    EXPECT_EQ(formatLongTime(v, rs), c.longTime);
    EXPECT_EQ(formatGeneralDate(v, rs), c.generalDate);
    EXPECT_EQ(formatGeneralDate(makeDate(2026, 1, 2), rs), c.shortDate);
    EXPECT_EQ(formatGeneralDate(makeTime(15, 4, 5), rs), c.longTime);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, NamedFormats,
    ::testing::Values(NamedFormatCase{"en-US", "1/2/2026", "3:04:05 PM", "1/2/2026 3:04:05 PM"},
                      NamedFormatCase{"de-DE", "02.01.2026", "15:04:05", "02.01.2026 15:04:05"},
                      NamedFormatCase{"en-GB", "02/01/2026", "15:04:05", "02/01/2026 15:04:05"},
                      NamedFormatCase{"C", "1/2/2026", "15:04:05", "1/2/2026 15:04:05"}));

TEST(FormatLongTime, TwelveHourClockEdges)
{
    const RegionalSettings rs = RegionalSettings::enUS();
    EXPECT_EQ(formatLongTime(makeTime(0, 0, 0), rs), "12:00:00 AM");
    EXPECT_EQ(formatLongTime(makeTime(0, 59, 1), rs), "12:59:01 AM");
    EXPECT_EQ(formatLongTime(makeTime(11, 59, 59), rs), "11:59:59 AM");
    EXPECT_EQ(formatLongTime(makeTime(12, 0, 0), rs), "12:00:00 PM");
    EXPECT_EQ(formatLongTime(makeTime(23, 0, 9), rs), "11:00:09 PM");
}

TEST(FormatPattern, NamesQuotesAndShortForms)
{
    RegionalSettings rs = RegionalSettings::deDE();
    rs.shortDatePattern = "d. MMMM yyyy";
    EXPECT_EQ(formatShortDate(makeDate(2026, 3, 5), rs), "5. M\xC3\xA4rz 2026");
    rs.shortDatePattern = "dd-MMM-yy";
    EXPECT_EQ(formatShortDate(makeDate(2007, 10, 5), rs), "05-Okt-07");
    rs.shortDatePattern = "yyyy'y'MM'm''x'";
    EXPECT_EQ(formatShortDate(makeDate(2026, 3, 5), rs), "2026y03m'x");
    rs.longTimePattern = "hh.mm t";
    rs.amDesignator = "vorm.";
    EXPECT_EQ(formatLongTime(makeTime(7, 5, 0), rs), "07.05 v");
    rs.longTimePattern = "H:m:s";
    EXPECT_EQ(formatLongTime(makeTime(7, 5, 3), rs), "7:5:3");
}

TEST(FormatTextLongTime, DateOrTimeTextOtherwiseUnchanged)
{
    const RegionalSettings us = RegionalSettings::enUS();
    EXPECT_EQ(formatTextLongTime("14:05", us, kYear), "2:05:00 PM");
    EXPECT_EQ(formatTextLongTime("2.5", us, kYear), "2:05:00 AM");
    EXPECT_EQ(formatTextLongTime("1/2/2026", us, kYear), "12:00:00 AM");
    EXPECT_EQ(formatTextLongTime("1/2/2026 7:08:09 pm", us, kYear), "7:08:09 PM");
    EXPECT_EQ(formatTextLongTime("", us, kYear), "");
    EXPECT_EQ(formatTextLongTime("abc", us, kYear), "abc");
    EXPECT_EQ(formatTextLongTime("25:00", us, kYear), "25:00");
    EXPECT_EQ(formatTextLongTime("14:05", RegionalSettings::deDE(), kYear), "14:05:00");
}

TEST(FixedPatterns, IsoDateAndTwentyFourHourTimes)
{
    EXPECT_EQ(formatIsoDate(at(2026, 1, 2, 15, 4, 5)), "2026-01-02");
    EXPECT_EQ(formatIsoDate(kMinDate), "0100-01-01");
    EXPECT_EQ(formatIsoDate(-49192.24), "1765-04-24");
    EXPECT_EQ(formatHms(0.6046875), "14:30:45");
    EXPECT_EQ(formatHms(at(2026, 1, 2, 3, 4, 5)), "03:04:05");
    EXPECT_EQ(formatHms(0.0), "00:00:00");
    EXPECT_EQ(formatHm(0.6046875), "14:30");
    EXPECT_EQ(formatHm(-49192.24), "05:45");
}

TEST(RegionalSettings, ClockFromThePattern)
{
    EXPECT_FALSE(RegionalSettings::enUS().uses24HourClock());
    EXPECT_TRUE(RegionalSettings::enGB().uses24HourClock());
    EXPECT_TRUE(RegionalSettings::deDE().uses24HourClock());
    EXPECT_TRUE(RegionalSettings::cLocale().uses24HourClock());
    RegionalSettings rs;
    rs.longTimePattern = "'h' HH:mm";
    EXPECT_TRUE(rs.uses24HourClock());
}

TEST(RegionalSettings, GermanSeparatorsAndNames)
{
    const RegionalSettings de = RegionalSettings::deDE();
    EXPECT_EQ(de.dateOrder, DateOrder::DMY);
    EXPECT_EQ(de.dateSeparator, ".");
    EXPECT_EQ(de.decimalSeparator, ",");
    EXPECT_EQ(de.groupingSeparator, ".");
    EXPECT_EQ(de.currencySymbol, "\xE2\x82\xAC");
    EXPECT_EQ(de.monthNames[0], "Januar");
    EXPECT_EQ(de.monthAbbreviations[2], "M\xC3\xA4r");
    EXPECT_EQ(de.monthAbbreviations[9], "Okt");
    EXPECT_EQ(de.monthAbbreviations[11], "Dez");
}

} // namespace
} // namespace ob::regional
