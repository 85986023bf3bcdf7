// Number texts under each locale the tests know: CDbl and IsNumeric agree,
// CDbl fails only with a type mismatch or an overflow, CInt/CLng only with a type mismatch or an
// overflow, Val only with an overflow, and a number that was read comes out in the
// general number format as a text that reads back as the same number (to the
// fifteen digits that format keeps). A number beyond the range of a double is
// an overflow (6), as CDbl("1E309") is.
//
// Input: a byte choosing the locale, then the text.

#include <cmath>
#include <optional>
#include <string>

#include "FuzzInput.h"
#include "platform/Failure.h"
#include "platform/regional/Conversions.h"

namespace {

using namespace ob;
using namespace ob::regional;

template <typename Call>
void failsOnlyWith(Call call, long a, long b)
{
    try {
        call();
    } catch (const Failure& f) {
        OB_FUZZ_CHECK(f.number() == a || f.number() == b);
    }
}

void roundTrips(double v, const RegionalSettings& rs)
{
    const std::string general = formatGeneralNumber(v, rs);
    const auto again = tryParseNumber(general, rs);
    OB_FUZZ_CHECK(again.has_value());
    OB_FUZZ_CHECK(*again == v || std::fabs(*again - v) <= std::fabs(v) * 1e-14);
    (void)formatFixed(v, rs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const RegionalSettings& rs = fuzz::locale(in.byte());
    const std::string text = in.rest();

    const auto parsed = tryParseNumber(text, rs);
    OB_FUZZ_CHECK(isNumeric(text, rs) == parsed.has_value());
    try {
        const double v = parseNumber(text, rs);
        OB_FUZZ_CHECK(parsed && (*parsed == v || (std::isnan(v) && std::isnan(*parsed))));
    } catch (const Failure& f) {
        // 13 for a text that is no number, 6 for one beyond the range of a double.
        OB_FUZZ_CHECK(f.number() == 13 || f.number() == 6);
        OB_FUZZ_CHECK(!parsed);
    }
    failsOnlyWith([&] { (void)toInt16(text, rs); }, 13, 6);
    failsOnlyWith([&] { (void)toInt32(text, rs); }, 13, 6);

    std::optional<double> leading;
    failsOnlyWith([&] { leading = val(text); }, 6, 6);
    if (leading) {
        OB_FUZZ_CHECK(std::isfinite(*leading));
        roundTrips(*leading, rs);
        failsOnlyWith([&] { (void)toInt16(*leading); }, 6, 6);
        failsOnlyWith([&] { (void)toInt32(*leading); }, 6, 6);
    }

    if (parsed) {
        OB_FUZZ_CHECK(std::isfinite(*parsed));
        roundTrips(*parsed, rs);
    }
    return 0;
}
