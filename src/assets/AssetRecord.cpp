#include "assets/AssetRecord.h"

#include "platform/Text.h"
#include "platform/regional/DateValue.h"

namespace ob {

void AssetRecord::Reset()
{
    AssetNumber.clear();
    Model.clear();
    Serial.clear();
    Mfg.clear();
    Description.clear();
    CTAG.clear();
    ATAG.clear();
    CalDate = regional::kZeroDate;
    CalTime.clear();
    Interval = 0;
    IntervalUnits = -1;
    // An asset that was never checked is not in calibration: a location that
    // finds nothing, fails or runs without a session must not publish the
    // state of the asset before it.
    InCal = false;
}

std::string AssetRecord::ConvOBIUToIntervalCode(std::int32_t obiu)
{
    switch (obiu) {
    case 0:
        return "d";
    case 1:
        return "ww";
    case 2:
        return "m";
    default:
        return "";
    }
}

std::string AssetRecord::ConvOBIUToUnits(std::int32_t obiu)
{
    switch (obiu) {
    case 0:
        return "D";
    case 1:
        return "W";
    case 2:
        return "M";
    case 3:
        return "N";
    case 4:
        return "U";
    default:
        return "";
    }
}

std::int32_t AssetRecord::ConvUnitsToOBIU(const std::string& units)
{
    const std::string u = text::upper(units);
    static const char* const kLetters[] = {"D", "W", "M", "N", "U"};
    for (std::int32_t i = 0; i < 5; ++i) {
        if (u == kLetters[i]) {
            return i;
        }
    }
    return -1;
}

regional::DateValue AssetRecord::GetRecalDate() const
{
    const std::string code = ConvOBIUToIntervalCode(IntervalUnits);
    if (code.empty() || CalDate == regional::kZeroDate || Interval < 1) {
        return regional::kZeroDate;
    }
    if (code == "d") {
        return regional::addDays(CalDate, Interval);
    }
    if (code == "ww") {
        return regional::addDays(CalDate, 7.0 * Interval);
    }
    return regional::addMonths(CalDate, Interval);
}

} // namespace ob
