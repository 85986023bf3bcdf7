// DecimalPoint: the decimal separator helpers.
#include "calibration/DecimalPoint.h"

#include "platform/regional/Conversions.h"

namespace ob {

std::string DecimalPoint::GetSystemDecimalSeparator() const
{
    // The first character, not the first byte: ar-EG's separator U+066B is two
    // bytes of UTF-8, and half of it would match nothing a user types.
    const std::string pointZero = regional::formatPointZero(m_regional);
    std::size_t length = pointZero.empty() ? 0 : 1;
    while (length < pointZero.size() && (static_cast<unsigned char>(pointZero[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return pointZero.substr(0, length);
}

std::string DecimalPoint::NormalizeDecimalPoint(const std::string& text)
{
    // Cached from the first use to the end of the process, never refreshed.
    if (m_decimalSeparator.empty()) {
        m_decimalSeparator = GetSystemDecimalSeparator();
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
