// modEditing: the decimal separator helpers.
#include "platform/regional/Conversions.h"
#include "shell/CBrennLinkDB.h"

namespace ob {

std::string CBrennLinkDB::GetSystemDecimalSeparator() const
{
    return regional::formatPointZero(m_env.regional).substr(0, 1);
}

std::string CBrennLinkDB::NormalizeDecimalPoint(const std::string& text)
{
    // Cached from the first use to the end of the process, never refreshed.
    if (m_decimalSeparator.empty()) {
        m_decimalSeparator = GetSystemDecimalSeparator();
    }
    if (m_decimalSeparator == ".") {
        return text;
    }
    std::string out = text;
    for (auto pos = out.find(m_decimalSeparator); pos != std::string::npos;
         pos = out.find(m_decimalSeparator, pos + 1)) {
        out.replace(pos, m_decimalSeparator.size(), ".");
    }
    return out;
}

} // namespace ob
