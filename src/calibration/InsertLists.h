#pragma once
// The column list and value list from which an INSERT is built: each column
// entry is a name and ", ", each value entry is a quoted literal and ", ".

#include <string>

#include "platform/Text.h"
#include "platform/odbc/Connection.h"

namespace ob {

inline void appendColumn(std::string& columns, std::string& values, const std::string& column, const std::string& value)
{
    // Appended piece by piece: GCC 12 takes "'" + text for an overlapping copy.
    columns += column;
    columns += ", ";
    values += '\'';
    values += odbc::escapeLiteral(value);
    values += "', ";
}

// Both lists trimmed and without their last character, the trailing comma.
inline std::string closeList(const std::string& list)
{
    std::string out = text::trim(list);
    if (!out.empty()) {
        out.pop_back();
    }
    return out;
}

} // namespace ob
