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

RegionalSettings RegionalSettings::enGB()
{
    RegionalSettings rs;
    rs.dateOrder = DateOrder::DMY;
    rs.dateSeparator = "/";
    rs.shortDatePattern = "dd/MM/yyyy";
    rs.longTimePattern = "HH:mm:ss";
    rs.currencySymbol = "\xC2\xA3"; // pound sign
    return rs;
}

RegionalSettings RegionalSettings::deDE()
{
    RegionalSettings rs;
    rs.dateOrder = DateOrder::DMY;
    rs.dateSeparator = ".";
    rs.shortDatePattern = "dd.MM.yyyy";
    rs.longTimePattern = "HH:mm:ss";
    rs.decimalSeparator = ",";
    rs.groupingSeparator = ".";
    rs.currencySymbol = "\xE2\x82\xAC"; // euro sign
    rs.monthNames = {"Januar", "Februar", "M\xC3\xA4rz",  "April",   "Mai",      "Juni",
                     "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    rs.monthAbbreviations = {"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun",
                             "Jul", "Aug", "Sep",        "Okt", "Nov", "Dez"};
    return rs;
}

RegionalSettings RegionalSettings::cLocale()
{
    RegionalSettings rs;
    rs.longTimePattern = "HH:mm:ss";
    return rs;
}

} // namespace ob::regional
