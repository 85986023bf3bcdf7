#pragma once
// AssetRecord: the current asset, a plain record with its reset, the interval
// unit conversions and the recalibration date.

#include <cstdint>
#include <string>

#include "platform/regional/DateValue.h"

namespace ob {

class AssetRecord {
public:
    void Reset();
    // The zero date when there is no unit, no calibration date or no interval;
    // beyond the date range Failure 6 Overflow.
    regional::DateValue GetRecalDate() const;
    static std::string ConvOBIUToIntervalCode(std::int32_t obiu);
    static std::string ConvOBIUToUnits(std::int32_t obiu);
    static std::int32_t ConvUnitsToOBIU(const std::string& units);

    std::string AssetNumber, Model, Serial, Mfg, Description, CTAG, ATAG;
    regional::DateValue CalDate = regional::kZeroDate;
    std::string CalTime;
    std::int32_t Interval = 0;
    std::int32_t IntervalUnits = 0;
    bool InCal = false;
};

} // namespace ob
