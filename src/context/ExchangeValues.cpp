// Column names and values as they come from the exchange file.
#include "context/ExchangeValues.h"

#include <algorithm>

#include "platform/Text.h"
#include "platform/regional/Conversions.h"
namespace ob {

std::string QualifyColumn(const std::string& code, const std::string& letter)
{
    if (code.size() == 5) {
        std::string result = code;
        if (text::upper(result.substr(0, 1)) != letter) {
            result.replace(0, 1, letter);
        }
        return text::upper(result);
    }
    return text::upper(letter + code);
}

bool IsPlainColumnName(const std::string& name)
{
    if (name.empty()) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

std::string FormatTimeHMS(const std::string& text, const regional::RegionalSettings& rs, int currentYear)
{
    return regional::formatHms(regional::parseDate(text, rs, currentYear));
}

Failure ExchangeValueFailure(const Failure& failure, const std::string& key, const std::string& value)
{
    return Failure(failure.number(), failure.description() + " (" + key + "='" + value + "')", failure.source());
}

} // namespace ob
