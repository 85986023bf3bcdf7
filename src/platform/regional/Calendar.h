#pragma once
// Calendar arithmetic shared by the date conversions: proleptic Gregorian
// dates as day counts, without range checks and without failures.

#include <cmath>
#include <cstdint>

#include "platform/regional/DateValue.h"

namespace ob::regional::calendar {

constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;
constexpr std::int64_t kMinDay = -657434; // 1 January 100
constexpr std::int64_t kMaxDay = 2958465; // 31 December 9999
constexpr std::int64_t kSerialOf1970 = 25569;

constexpr bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr int daysInMonth(int year, int month)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 to the given date (negative before it).
constexpr std::int64_t daysFrom1970(std::int64_t year, int month, int day)
{
    // Count from 1 March so that the leap day ends the year.
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct YearMonthDay {
    std::int64_t year;
    int month;
    int day;
};

constexpr YearMonthDay civilFrom1970(std::int64_t days)
{
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// Serial day number (days since 30 December 1899) of a calendar date.
constexpr std::int64_t serialDay(std::int64_t year, int month, int day)
{
    return daysFrom1970(year, month, day) + kSerialOf1970;
}

// A date value's day (integer part) and time of day (positive fraction).
struct DayAndTime {
    std::int64_t day;
    double time;
};

inline DayAndTime split(DateValue v)
{
    const double day = std::trunc(v);
    return {static_cast<std::int64_t>(day), std::fabs(v - day)};
}

// The inverse of split: negative days carry the time of day as a subtracted fraction.
inline DateValue compose(std::int64_t day, double time)
{
    const auto d = static_cast<double>(day);
    return day >= 0 ? d + time : d - time;
}

} // namespace ob::regional::calendar
