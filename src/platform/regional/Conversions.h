#pragma once
// The runtime's text conversions under regional settings: text to date, time
// and number (CDate, IsDate, CDbl, IsNumeric, Val), rounding (CInt, CLng) and
// the named formats. None of them depends on the C library's locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

namespace ob::regional {

// ---- text to date / time -------------------------------------------------

// CDate: a text the system accepts as a date, a time, or both. `currentYear`
// completes dates written without a year ("Jan 2"). Anything else is
// Failure 13 Type mismatch.
DateValue parseDate(std::string_view text, const RegionalSettings& rs, int currentYear);
std::optional<DateValue> tryParseDate(std::string_view text, const RegionalSettings& rs, int currentYear);
// IsDate
bool isDate(std::string_view text, const RegionalSettings& rs, int currentYear);
// A valid time: accepted by CDate and holding a time of day only (no date part).
bool isTime(std::string_view text, const RegionalSettings& rs, int currentYear);
// Accepted by CDate and holding a time of day, with or without a date: "14:05",
// "12/5/2026 2:03 PM"; a plain date ("12/31/2026", de-DE "14.05") holds none.
bool holdsTimeOfDay(std::string_view text, const RegionalSettings& rs, int currentYear);

// ---- text to number ------------------------------------------------------

// CDbl: the whole text by the system's number rules (sign before or after,
// parentheses, grouping after the first digit, currency symbol, exponent,
// &H/&O). Failure 13 when it does not parse.
double parseNumber(std::string_view text, const RegionalSettings& rs);
std::optional<double> tryParseNumber(std::string_view text, const RegionalSettings& rs);
bool isNumeric(std::string_view text, const RegionalSettings& rs);

// Val: the number at the start of the text, "." as the only decimal point,
// blanks removed everywhere; 0 when there is none. Fails only on a number
// beyond the range of a double ("1E309"): Failure 6 Overflow, as the runtime's Val.
double val(std::string_view text);

// ---- rounding ------------------------------------------------------------

// CInt / CLng: round half to even, Failure 6 Overflow outside the range.
std::int16_t toInt16(double v);
std::int32_t toInt32(double v);
// CInt / CLng of a text: parseNumber then round.
std::int16_t toInt16(std::string_view text, const RegionalSettings& rs);
std::int32_t toInt32(std::string_view text, const RegionalSettings& rs);

// ---- number to text ------------------------------------------------------

// CStr / Format "General Number": shortest form, at most 15 significant
// digits, no grouping, the locale's decimal separator, E+xx beyond.
std::string formatGeneralNumber(double v, const RegionalSettings& rs);
// Format(v, "Fixed"): at least one integer digit and two decimals.
std::string formatFixed(double v, const RegionalSettings& rs);
// Format(0, ".0") gives ".0" or ",0".
std::string formatPointZero(const RegionalSettings& rs);
// The decimal separator's first character: one or more bytes of UTF-8
// (ar-EG's U+066B is two).
std::string decimalSeparatorCharacter(const RegionalSettings& rs);
// A whole number in decimal, for log lines and keys ("-1", "32001").
std::string formatInteger(long long v);

// ---- date to text --------------------------------------------------------

std::string formatShortDate(DateValue v, const RegionalSettings& rs);
std::string formatLongTime(DateValue v, const RegionalSettings& rs);
// General Date: short date, then long time unless midnight; time only when the
// date part is 0.
std::string formatGeneralDate(DateValue v, const RegionalSettings& rs);
// Format(text, "Long Time"): a text that reads as a date or time comes out in
// the long time format; any other text (the empty text included) unchanged.
std::string formatTextLongTime(std::string_view text, const RegionalSettings& rs, int currentYear);

std::string formatIsoDate(DateValue v); // YYYY-MM-DD
std::string formatHms(DateValue v);     // hh:nn:ss, 24-hour
std::string formatHm(DateValue v);      // HH:NN, 24-hour

} // namespace ob::regional
