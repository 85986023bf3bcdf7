// DecimalPoint: the decimal separator helpers.
#include "calibration/DecimalPoint.h"

#include "platform/regional/Conversions.h"

namespace ob {

std::string DecimalPoint::NormalizeDecimalPoint(const std::string& text)
{
    // Cached from the first use to the end of the process, never refreshed.
    if (m_decimalSeparator.empty()) {
        m_decimalSeparator = regional::decimalSeparatorCharacter(m_regional);
    }
    if (m_decimalSeparator == ".") {
        return text;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (auto pos = text.find(m_decimalSeparator); pos != std::string::npos;
         pos = text.find(m_decimalSeparator, from)) {
        out.append(text, from, pos - from).push_back('.');
        from = pos + m_decimalSeparator.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

} // namespace ob
