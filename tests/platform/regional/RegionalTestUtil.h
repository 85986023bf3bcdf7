#pragma once
// Helpers shared by the regional conversion tests.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/Failure.h"
#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

namespace ob::regional::test {

// The year that completes dates written without one.
constexpr int kYear = 2026;

inline RegionalSettings settingsNamed(const std::string& name)
{
    if (name == "de-DE")
        return RegionalSettings::deDE();
    if (name == "en-GB")
        return RegionalSettings::enGB();
    if (name == "C")
        return RegionalSettings::cLocale();
    return RegionalSettings::enUS();
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
