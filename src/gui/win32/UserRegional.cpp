#include "gui/win32/UserRegional.h"

#include "platform/win32/Wide.h"

namespace ob::win32 {

namespace {

using regional::DateOrder;
using regional::RegionalSettings;

std::string localeText(LCTYPE what)
{
    wchar_t buffer[128];
    const int n = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, buffer, static_cast<int>(std::size(buffer)));
    return n > 1 ? narrow(std::wstring_view(buffer, static_cast<std::size_t>(n - 1))) : std::string();
}

void setIfAny(std::string& target, const std::string& value)
{
    if (!value.empty())
        target = value;
}

// Order and separator of the short date pattern; the year always four digits,
// as in Windows' default, day and month keeping their width.
void readShortDate(const std::string& pattern, RegionalSettings& rs)
{
    std::string order;
    std::string separator;
    bool quoted = false;
    for (const char ch : pattern) {
        if (ch == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (ch == 'd' || ch == 'M' || ch == 'y') {
            if (order.find(ch) == std::string::npos)
                order += ch;
        } else if (separator.empty() && !order.empty() && ch != ' ' && ch != 'g') {
            separator = ch;
        }
    }
    rs.dateOrder = order.rfind('y', 0) == 0 ? DateOrder::YMD
                   : order.rfind('d', 0) == 0 ? DateOrder::DMY
                                              : DateOrder::MDY;
    rs.dateSeparator = separator.empty() ? "/" : separator;
    const std::string d = pattern.find("dd") != std::string::npos ? "dd" : "d";
    const std::string m = pattern.find("MM") != std::string::npos ? "MM" : "M";
    const std::string& s = rs.dateSeparator;
    switch (rs.dateOrder) {
    case DateOrder::MDY:
        rs.shortDatePattern = m + s + d + s + "yyyy";
        break;
    case DateOrder::DMY:
        rs.shortDatePattern = d + s + m + s + "yyyy";
        break;
    case DateOrder::YMD:
        rs.shortDatePattern = "yyyy" + s + m + s + d;
        break;
    }
}

void readTime(const std::string& pattern, RegionalSettings& rs)
{
    bool twelveHour = false;
    bool padded = false;
    std::string separator;
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char ch = pattern[i];
        if (ch == '\'') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (ch == 't') {
            twelveHour = true;
        } else if (ch == 'h' || ch == 'H') {
            padded = padded || (i + 1 < pattern.size() && pattern[i + 1] == ch);
        } else if (separator.empty() && ch != ' ' && ch != 'm' && ch != 's') {
            separator = ch;
        }
    }
    rs.timeSeparator = separator.empty() ? ":" : separator;
    const std::string& ts = rs.timeSeparator;
    rs.longTimePattern = twelveHour ? (padded ? "hh" : "h") + ts + "mm" + ts + "ss tt"
                                    : (padded ? "HH" : "H") + ts + "mm" + ts + "ss";
}

} // namespace

RegionalSettings regionalFromUserLocale()
{
    RegionalSettings rs;
    readShortDate(localeText(LOCALE_SSHORTDATE), rs);
    readTime(localeText(LOCALE_STIMEFORMAT), rs);
    // A 24-hour locale may have no AM/PM texts; the conversions still need some.
    setIfAny(rs.amDesignator, localeText(LOCALE_S1159));
    setIfAny(rs.pmDesignator, localeText(LOCALE_S2359));
    setIfAny(rs.decimalSeparator, localeText(LOCALE_SDECIMAL));
    rs.groupingSeparator = localeText(LOCALE_STHOUSAND);
    setIfAny(rs.currencySymbol, localeText(LOCALE_SCURRENCY));
    for (int i = 0; i < 12; ++i) {
        setIfAny(rs.monthNames[static_cast<std::size_t>(i)], localeText(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + i)));
        setIfAny(rs.monthAbbreviations[static_cast<std::size_t>(i)],
                 localeText(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + i)));
    }
    return rs;
}

} // namespace ob::win32
