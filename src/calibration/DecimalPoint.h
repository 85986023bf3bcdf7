#pragma once
// DecimalPoint: numbers from the exchange file written with the system's
// decimal separator, brought to the "." the conversions read.

#include <string>

#include "platform/regional/RegionalSettings.h"

namespace ob {

class DecimalPoint {
public:
    explicit DecimalPoint(const regional::RegionalSettings& regional) : m_regional(regional) {}

    // Every separator becomes "."; the separator is taken at the first use
    // and kept to the end of the process.
    std::string NormalizeDecimalPoint(const std::string& text);

private:
    const regional::RegionalSettings& m_regional;
    std::string m_decimalSeparator;
};

} // namespace ob
