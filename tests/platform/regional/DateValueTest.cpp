#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "RegionalTestUtil.h"
#include "platform/regional/DateValue.h"

namespace ob::regional {
namespace {

using test::at;
using test::failureOf;

struct KnownSerial {
    int year;
    int month;
    int day;
    double serial;
};

class MakeDateKnown : public ::testing::TestWithParam<KnownSerial> {};

TEST_P(MakeDateKnown, GivesTheSerialAndBack)
{
    const KnownSerial& k = GetParam();
    EXPECT_EQ(makeDate(k.year, k.month, k.day), k.serial);
    const CivilDateTime c = toCivil(k.serial);
    EXPECT_EQ(c, (CivilDateTime{k.year, k.month, k.day, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Calendar, MakeDateKnown,
                         ::testing::Values(KnownSerial{1899, 12, 30, 0}, KnownSerial{1899, 12, 31, 1},
                                           KnownSerial{1900, 1, 1, 2}, KnownSerial{1900, 3, 1, 61},
                                           KnownSerial{1970, 1, 2, 25570}, KnownSerial{2173, 10, 14, 100000},
                                           KnownSerial{2013, 5, 14, 41408}, KnownSerial{1765, 4, 24, -49192},
                                           KnownSerial{100, 1, 1, kMinDate}, KnownSerial{9999, 12, 31, 2958465},
                                           KnownSerial{2000, 2, 29, 36585}, KnownSerial{1600, 2, 29, -109512}));

TEST(MakeDate, ImpossibleDateIsInvalidProcedureCall)
{
    EXPECT_EQ(failureOf([] { makeDate(2023, 2, 29); }), 5);
    EXPECT_EQ(failureOf([] { makeDate(1900, 2, 29); }), 5);
    EXPECT_EQ(failureOf([] { makeDate(2024, 13, 1); }), 5);
    EXPECT_EQ(failureOf([] { makeDate(2024, 0, 1); }), 5);
    EXPECT_EQ(failureOf([] { makeDate(2024, 4, 31); }), 5);
    EXPECT_EQ(failureOf([] { makeDate(2024, 4, 0); }), 5);
}

TEST(MakeDate, YearOutsideRangeIsOverflow)
{
    EXPECT_EQ(failureOf([] { makeDate(99, 12, 31); }), 6);
    EXPECT_EQ(failureOf([] { makeDate(10000, 1, 1); }), 6);
}

TEST(MakeTime, FractionOfTheDay)
{
    EXPECT_DOUBLE_EQ(makeTime(14, 5, 0), 0.5868055555555556);
    EXPECT_DOUBLE_EQ(makeTime(14, 30, 45), 0.6046875);
    EXPECT_EQ(makeTime(0, 0, 0), 0.0);
    EXPECT_EQ(failureOf([] { makeTime(24, 0, 0); }), 5);
    EXPECT_EQ(failureOf([] { makeTime(0, 60, 0); }), 5);
    EXPECT_EQ(failureOf([] { makeTime(0, 0, -1); }), 5);
}

TEST(MakeDateTime, NegativeSerialSubtractsTheTime)
{
    EXPECT_NEAR(at(1765, 4, 24, 5, 45, 36), -49192.24, 1e-9);
    EXPECT_NEAR(at(1900, 1, 2, 8, 9, 36), 3.34, 1e-9);
    EXPECT_NEAR(at(1899, 12, 29, 6), -1.25, 1e-12);
}

TEST(ToCivil, RoundsToTheNearestSecond)
{
    EXPECT_EQ(toCivil(3.34), (CivilDateTime{1900, 1, 2, 8, 9, 36}));
    EXPECT_EQ(toCivil(-49192.24), (CivilDateTime{1765, 4, 24, 5, 45, 36}));
    EXPECT_EQ(toCivil(41408.08625000001), (CivilDateTime{2013, 5, 14, 2, 4, 12}));
    EXPECT_EQ(toCivil(0.4 / 86400), (CivilDateTime{1899, 12, 30, 0, 0, 0}));
    EXPECT_EQ(toCivil(0.6 / 86400), (CivilDateTime{1899, 12, 30, 0, 0, 1}));
    // Half a second before midnight rounds into the next day.
    EXPECT_EQ(toCivil(1.0 - 0.4 / 86400), (CivilDateTime{1899, 12, 31, 0, 0, 0}));
    EXPECT_EQ(toCivil(kMaxDate), (CivilDateTime{9999, 12, 31, 23, 59, 59}));
}

TEST(ToCivil, OutsideTheRangeIsOverflow)
{
    EXPECT_EQ(failureOf([] { toCivil(2958466.0); }), 6);
    EXPECT_EQ(failureOf([] { toCivil(-657435.0); }), 6);
    EXPECT_EQ(failureOf([] { toCivil(std::numeric_limits<double>::quiet_NaN()); }), 6);
    EXPECT_EQ(failureOf([] { toCivil(std::numeric_limits<double>::infinity()); }), 6);
}

TEST(AddDays, WholeDaysAndWeeksKeepTheTime)
{
    EXPECT_EQ(addDays(makeDate(2024, 3, 10), 14), makeDate(2024, 3, 24));
    EXPECT_NEAR(addDays(at(2024, 12, 31, 18), 1), at(2025, 1, 1, 18), 1e-9);
    EXPECT_NEAR(addDays(-49192.24, 1), -49191.24, 1e-9);
    EXPECT_NEAR(addDays(-49192.24, -1), -49193.24, 1e-9);
}

TEST(AddDays, CrossesDayZeroWithPositiveTimes)
{
    // 29 December 1899 06:00 is -1.25; one day later is 30 December 06:00.
    EXPECT_NEAR(addDays(-1.25, 1), 0.25, 1e-12);
    EXPECT_NEAR(addDays(0.25, -1), -1.25, 1e-12);
    EXPECT_NEAR(addDays(0.25, -2), -2.25, 1e-12);
    EXPECT_NEAR(addDays(0.25, 0.5), 0.75, 1e-12);
    EXPECT_NEAR(addDays(0.25, -0.5), -1.75, 1e-12);
}

TEST(AddDays, BeyondTheRangeIsOverflow)
{
    EXPECT_EQ(failureOf([] { addDays(kMinDate, -1); }), 6);
    EXPECT_EQ(failureOf([] { addDays(2958465.5, 1); }), 6);
    EXPECT_EQ(failureOf([] { addDays(0, 1e300); }), 6);
    EXPECT_EQ(addDays(2958464.0, 1), 2958465.0);
}

TEST(AddMonths, ClampsToTheEndOfTheMonth)
{
    EXPECT_EQ(addMonths(makeDate(2024, 1, 31), 1), makeDate(2024, 2, 29));
    EXPECT_EQ(addMonths(makeDate(2023, 1, 31), 1), makeDate(2023, 2, 28));
    EXPECT_EQ(addMonths(makeDate(2024, 3, 31), -1), makeDate(2024, 2, 29));
    EXPECT_EQ(addMonths(makeDate(2024, 1, 15), 12), makeDate(2025, 1, 15));
    EXPECT_EQ(addMonths(makeDate(2024, 5, 31), 1), makeDate(2024, 6, 30));
    EXPECT_EQ(addMonths(makeDate(2024, 1, 15), -13), makeDate(2022, 12, 15));
    EXPECT_EQ(addMonths(makeDate(2024, 1, 15), 0), makeDate(2024, 1, 15));
}

TEST(AddMonths, KeepsTheTimeOfDay)
{
    EXPECT_NEAR(addMonths(at(2024, 1, 31, 6), 1), at(2024, 2, 29, 6), 1e-9);
    EXPECT_NEAR(addMonths(-49192.24, 1), at(1765, 5, 24, 5, 45, 36), 1e-9);
}

TEST(AddMonths, BeyondTheRangeIsOverflow)
{
    EXPECT_EQ(failureOf([] { addMonths(makeDate(9999, 12, 1), 1); }), 6);
    EXPECT_EQ(failureOf([] { addMonths(makeDate(100, 1, 15), -1); }), 6);
    EXPECT_EQ(failureOf([] { addMonths(makeDate(2024, 1, 1), 2'000'000'000L); }), 6);
    EXPECT_EQ(addMonths(makeDate(9999, 11, 30), 1), makeDate(9999, 12, 30));
}

TEST(SecondsSince1970, PlainCalendarArithmetic)
{
    EXPECT_EQ(secondsSince1970({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(secondsSince1970({2001, 9, 9, 1, 46, 40}), 1'000'000'000);
    EXPECT_EQ(secondsSince1970({1969, 12, 31, 23, 59, 59}), -1);
    EXPECT_EQ(secondsSince1970({2038, 1, 19, 3, 14, 8}), 2'147'483'648LL);
    EXPECT_EQ(secondsSince1970({2024, 2, 29, 12, 0, 0}), 1'709'208'000);
}

TEST(DateAndTimePart, NegativeSerialsKeepAPositiveTime)
{
    EXPECT_EQ(datePart(-49192.24), -49192.0);
    EXPECT_NEAR(timePart(-49192.24), 0.24, 1e-9);
    EXPECT_EQ(datePart(3.25), 3.0);
    EXPECT_EQ(timePart(3.25), 0.25);
    EXPECT_EQ(timePart(-0.5), 0.5);
    EXPECT_EQ(datePart(-0.5), 0.0);
    EXPECT_FALSE(std::signbit(datePart(-0.5)));
}

} // namespace
} // namespace ob::regional
