#include "platform/regional/DateValue.h"

#include <algorithm>
#include <cmath>

#include "platform/Failure.h"
#include "platform/regional/Calendar.h"

namespace ob::regional {

namespace cal = calendar;

namespace {

constexpr double kSecondsPerDay = 86400.0;

bool dayInRange(std::int64_t day)
{
    return day >= cal::kMinDay && day <= cal::kMaxDay;
}

// Splits a value that must lie within the date range.
cal::DayAndTime checkedSplit(DateValue v)
{
    if (!std::isfinite(v) || v <= static_cast<double>(cal::kMinDay - 1) || v >= static_cast<double>(cal::kMaxDay + 1))
        throw Failure::overflow();
    return cal::split(v);
}

// A date value as a point on a continuous day line (negative serials turned around).
double toLine(DateValue v)
{
    const auto [day, time] = checkedSplit(v);
    return static_cast<double>(day) + time;
}

DateValue fromLine(double line)
{
    if (!std::isfinite(line))
        throw Failure::overflow();
    const double day = std::floor(line);
    if (day < static_cast<double>(cal::kMinDay) || day > static_cast<double>(cal::kMaxDay))
        throw Failure::overflow();
    return cal::compose(static_cast<std::int64_t>(day), line - day);
}

} // namespace

DateValue makeDate(int year, int month, int day)
{
    if (year < cal::kMinYear || year > cal::kMaxYear)
        throw Failure::overflow();
    if (month < 1 || month > 12 || day < 1 || day > cal::daysInMonth(year, month))
        throw Failure::invalidProcedureCall();
    return static_cast<double>(cal::serialDay(year, month, day));
}

DateValue makeTime(int hour, int minute, int second)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw Failure::invalidProcedureCall();
    return (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
}

DateValue makeDateTime(const CivilDateTime& c)
{
    const DateValue date = makeDate(c.year, c.month, c.day);
    const DateValue time = makeTime(c.hour, c.minute, c.second);
    return cal::compose(static_cast<std::int64_t>(date), time);
}

CivilDateTime toCivil(DateValue v)
{
    auto [day, time] = checkedSplit(v);
    auto seconds = static_cast<long>(std::llround(time * kSecondsPerDay));
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    const auto ymd = cal::civilFrom1970(day - cal::kSerialOf1970);
    CivilDateTime c;
    c.year = static_cast<int>(ymd.year);
    c.month = ymd.month;
    c.day = ymd.day;
    c.hour = static_cast<int>(seconds / 3600);
    c.minute = static_cast<int>(seconds / 60 % 60);
    c.second = static_cast<int>(seconds % 60);
    return c;
}

DateValue addDays(DateValue v, double days)
{
    return fromLine(toLine(v) + days);
}

DateValue addMonths(DateValue v, long months)
{
    const auto [day, time] = checkedSplit(v);
    const auto ymd = cal::civilFrom1970(day - cal::kSerialOf1970);
    const std::int64_t monthIndex = ymd.year * 12 + (ymd.month - 1) + months;
    const std::int64_t year = monthIndex >= 0 ? monthIndex / 12 : (monthIndex - 11) / 12;
    const int month = static_cast<int>(monthIndex - year * 12) + 1;
    if (year < cal::kMinYear || year > cal::kMaxYear)
        throw Failure::overflow();
    const int dayOfMonth = std::min(ymd.day, cal::daysInMonth(static_cast<int>(year), month));
    const std::int64_t newDay = cal::serialDay(year, month, dayOfMonth);
    if (!dayInRange(newDay))
        throw Failure::overflow();
    return cal::compose(newDay, time);
}

std::int64_t secondsSince1970(const CivilDateTime& c)
{
    return cal::daysFrom1970(c.year, c.month, c.day) * 86400 + std::int64_t{c.hour} * 3600 +
           std::int64_t{c.minute} * 60 + c.second;
}

DateValue datePart(DateValue v)
{
    const double day = std::trunc(v);
    return day == 0.0 ? 0.0 : day; // no negative zero
}

DateValue timePart(DateValue v)
{
    return std::fabs(v - std::trunc(v));
}

} // namespace ob::regional
