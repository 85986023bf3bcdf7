// Date and time texts under each locale the tests know: CDate, IsDate and the
// time check agree with each other, never fail with anything but a type
// mismatch, and a date that was read comes out in the general date format as
// a text that reads back as the same moment.
//
// Input: a byte choosing the locale, two bytes for the current year, the text.

#include <cmath>
#include <string>

#include "FuzzInput.h"
#include "platform/Failure.h"
#include "platform/regional/Conversions.h"

using namespace ob;
using namespace ob::regional;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const RegionalSettings& rs = fuzz::locale(in.byte());
    const int high = in.byte();
    const int currentYear = 100 + (high * 256 + in.byte()) % 9900;
    const std::string text = in.rest();

    const auto parsed = tryParseDate(text, rs, currentYear);
    OB_FUZZ_CHECK(isDate(text, rs, currentYear) == parsed.has_value());
    try {
        const DateValue v = parseDate(text, rs, currentYear);
        OB_FUZZ_CHECK(parsed && *parsed == v);
    } catch (const Failure& f) {
        OB_FUZZ_CHECK(f.number() == 13);
        OB_FUZZ_CHECK(!parsed);
    }
    const bool time = isTime(text, rs, currentYear);
    OB_FUZZ_CHECK(!time || (parsed && datePart(*parsed) == 0));
    (void)formatTextLongTime(text, rs, currentYear);

    if (!parsed)
        return 0;
    const DateValue v = *parsed;
    // Before 1899 the serial is negative with the time as a positive fraction, so
    // 1 January 100 13:00 lies below kMinDate: the range is checked on the calendar.
    OB_FUZZ_CHECK(std::isfinite(v));
    const CivilDateTime c = toCivil(v);
    OB_FUZZ_CHECK(c.year >= 100 && c.year <= 9999);
    OB_FUZZ_CHECK(c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= 31);
    OB_FUZZ_CHECK(c.hour >= 0 && c.hour < 24 && c.minute >= 0 && c.minute < 60 && c.second >= 0 && c.second < 60);
    (void)formatShortDate(v, rs);
    (void)formatLongTime(v, rs);
    (void)formatIsoDate(v);
    (void)formatHms(v);
    (void)formatHm(v);

    const std::string general = formatGeneralDate(v, rs);
    const auto again = tryParseDate(general, rs, currentYear);
    OB_FUZZ_CHECK(again.has_value());
    OB_FUZZ_CHECK(std::fabs(*again - v) < 0.5 / 86400.0 + 1e-9);
    return 0;
}
