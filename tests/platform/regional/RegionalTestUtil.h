#pragma once
#include "../FailureOf.h"
#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

namespace ob::regional::test {
using ob::test::failureOf;
constexpr int kYear = 2026; // completes dates written without a year

// "U" en-US, "D" de-DE, "G" en-GB, "C" the C locale.
inline RegionalSettings settingsNamed(const std::string& name)
{
    return name == "D" ? RegionalSettings::deDE() : name == "G" ? RegionalSettings::enGB()
           : name == "C" ? RegionalSettings::cLocale() : RegionalSettings::enUS();
}

inline DateValue at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return makeDateTime({year, month, day, hour, minute, second});
}
} // namespace ob::regional::test
