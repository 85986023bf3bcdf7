#pragma once
// Date values as the system keeps them: days since 30 December 1899 00:00,
// the time of day as the fraction. Negative serials count whole days back,
// with the fraction still a positive time of day.

#include <cstdint>

namespace ob::regional {

using DateValue = double;

constexpr DateValue kZeroDate = 0.0;
constexpr DateValue kMinDate = -657434.0;     // 1 January 100
constexpr DateValue kMaxDate = 2958465.99999; // 31 December 9999 23:59:59

struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const CivilDateTime&) const = default;
};

// Calendar date (and time) to date value. Out of range: Failure 6 Overflow.
// An impossible date (31 February): Failure 5 Invalid procedure call.
DateValue makeDate(int year, int month, int day);
DateValue makeTime(int hour, int minute, int second);
DateValue makeDateTime(const CivilDateTime& c);

// Date value to calendar date and time (seconds rounded to the nearest).
CivilDateTime toCivil(DateValue v);

// Date arithmetic; every result outside 1 January 100 .. 31 December 9999 is
// Failure 6 Overflow. The time of day carries over.
DateValue addDays(DateValue v, double days);
// Calendar months: the day is kept, or clamped to the last day of the target month.
DateValue addMonths(DateValue v, long months);

// Whole seconds from 1 January 1970 00:00 to the given local date and time.
std::int64_t secondsSince1970(const CivilDateTime& c);

// Date and time parts of a value (negative serials: day part toward -inf... as
// the runtime does: the integer part is the day, the fraction a positive time).
DateValue datePart(DateValue v);
DateValue timePart(DateValue v);

} // namespace ob::regional
