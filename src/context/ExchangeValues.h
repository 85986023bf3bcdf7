#pragma once
// Column names and values as they come from the exchange file: the table
// letter of a column code, the plain-name check, times as hh:nn:ss, and the
// failure of a value's conversion naming its key.

#include <string>

#include "platform/Failure.h"
#include "platform/regional/RegionalSettings.h"

namespace ob {

// "I"/"C" table letter: a 5-character code gets the letter as first character,
// any other code gets it in front; upper-cased.
std::string QualifyColumn(const std::string& code, const std::string& letter);
// A column name usable in a statement: letters, digits and "_" only.
bool IsPlainColumnName(const std::string& name);
// A column name from the exchange file or the definition table must be a
// plain name once qualified, or it never reaches a statement.
inline Failure invalidColumnName(const std::string& name)
{
    return Failure(5, "Invalid procedure call or argument: '" + name + "' is not a valid column name");
}
// A time text as hh:nn:ss (24-hour); Failure 13 when it is no time.
std::string FormatTimeHMS(const std::string& text, const regional::RegionalSettings& rs, int currentYear);
// A conversion of an exchange-file value that failed, with the key and the
// value added to its description: "13 - Type mismatch (EndTime='abc')".
Failure ExchangeValueFailure(const Failure& failure, const std::string& key, const std::string& value);
template <typename Convert>
auto convertExchangeValue(const std::string& key, const std::string& value, Convert&& convert)
{
    try {
        return convert(value);
    } catch (const Failure& failure) {
        throw ExchangeValueFailure(failure, key, value);
    }
}

} // namespace ob
