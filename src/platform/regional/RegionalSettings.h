#pragma once
// RegionalSettings: the system's regional settings as the text conversions use
// them. A plain value: built from the process locale by the Qt layer, or
// explicitly (enUS, enGB, deDE) in tests.

#include <array>
#include <string>

namespace ob::regional {

enum class DateOrder { MDY, DMY, YMD };

struct RegionalSettings {
    DateOrder dateOrder = DateOrder::MDY;
    std::string dateSeparator = "/";
    // Windows-style patterns: d dd M MM yyyy for dates; h hh H HH mm ss tt for times.
    std::string shortDatePattern = "M/d/yyyy"; // always with a four-digit year
    std::string longTimePattern = "h:mm:ss tt";
    std::string timeSeparator = ":";
    std::string amDesignator = "AM";
    std::string pmDesignator = "PM";
    std::string decimalSeparator = ".";
    std::string groupingSeparator = ",";
    std::string currencySymbol = "$";
    std::array<std::string, 12> monthNames{"January", "February", "March",     "April",   "May",      "June",
                                           "July",    "August",   "September", "October", "November", "December"};
    std::array<std::string, 12> monthAbbreviations{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

    bool uses24HourClock() const;

    static RegionalSettings enUS();
    static RegionalSettings enGB();
    static RegionalSettings deDE();
    // The C/POSIX locale: en-US patterns with a 24-hour clock.
    static RegionalSettings cLocale();
};

} // namespace ob::regional
