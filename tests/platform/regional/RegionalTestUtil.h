#pragma once
// Helpers shared by the regional conversion tests.

#include <functional>
#include <string>

#include "platform/Failure.h"
#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

namespace ob::regional::test {

constexpr int kYear = 2026; // completes dates written without a year

// "U" en-US, "D" de-DE, "G" en-GB, "C" the C locale.
inline RegionalSettings settingsNamed(const std::string& name)
{
    return name == "D" ? RegionalSettings::deDE()
           : name == "G" ? RegionalSettings::enGB()
           : name == "C" ? RegionalSettings::cLocale()
                         : RegionalSettings::enUS();
}

// The failure number `f` raises, 0 when it raises none.
inline long failureOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Failure& failure) {
        return failure.number();
    }
    return 0;
}

inline DateValue at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return makeDateTime({year, month, day, hour, minute, second});
}

} // namespace ob::regional::test
