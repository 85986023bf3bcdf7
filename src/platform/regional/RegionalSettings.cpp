#include "platform/regional/RegionalSettings.h"

namespace ob::regional {

bool RegionalSettings::uses24HourClock() const
{
    // An 'h' outside quotes means a 12-hour clock; 'H' (or no hour at all) a 24-hour one.
    bool quoted = false;
    for (char ch : longTimePattern) {
        if (ch == '\'') {
            quoted = !quoted;
        } else if (!quoted && ch == 'h') {
            return false;
        }
    }
    return true;
}

RegionalSettings RegionalSettings::enUS()
{
    return RegionalSettings{};
}

// Built by initialisation rather than by assigning members of the defaults:
// GCC 12 takes an assignment of a short literal for an overlapping copy.
RegionalSettings RegionalSettings::enGB()
{
    return RegionalSettings{.dateOrder = DateOrder::DMY,
                            .dateSeparator = "/",
                            .shortDatePattern = "dd/MM/yyyy",
                            .longTimePattern = "HH:mm:ss",
                            .currencySymbol = "\xC2\xA3"}; // pound sign
}

RegionalSettings RegionalSettings::deDE()
{
    return RegionalSettings{
        .dateOrder = DateOrder::DMY,
        .dateSeparator = ".",
        .shortDatePattern = "dd.MM.yyyy",
        .longTimePattern = "HH:mm:ss",
        .decimalSeparator = ",",
        .groupingSeparator = ".",
        .currencySymbol = "\xE2\x82\xAC", // euro sign
        .monthNames = {"Januar", "Februar", "M\xC3\xA4rz", "April", "Mai", "Juni", "Juli", "August", "September",
                       "Oktober", "November", "Dezember"},
        .monthAbbreviations = {"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov",
                               "Dez"}};
}

RegionalSettings RegionalSettings::cLocale()
{
    return RegionalSettings{.longTimePattern = "HH:mm:ss"};
}

} // namespace ob::regional
