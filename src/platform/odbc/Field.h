#pragma once
// Field: one column of the current row of a Recordset. Nulls are explicit.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/regional/Conversions.h"

namespace ob::odbc {

enum class FieldKind { Text, Number, Date, Time, Timestamp };

class Field {
public:
    Field() = default;
    Field(std::string name, FieldKind kind, std::optional<std::string> value)
        : m_name(std::move(name)), m_kind(kind), m_value(std::move(value))
    {
    }

    const std::string& name() const { return m_name; }
    FieldKind kind() const { return m_kind; }
    bool isNull() const { return !m_value.has_value(); }
    // The value as the driver gave it as text: numbers with "." as decimal
    // point, dates "YYYY-MM-DD", times "hh:mm:ss", timestamps "YYYY-MM-DD hh:mm:ss".
    const std::optional<std::string>& value() const { return m_value; }

    // Conversions as the runtime makes them (CStr, CInt, CDate). A null is
    // Failure 94 Invalid use of Null.
    std::string toText() const;
    // Text, a null giving empty text.
    std::string toTextOrEmpty() const { return m_value.value_or(std::string()); }
    // CInt: numbers rounded half to even; texts by the regional number rules;
    // outside 16 bits Failure 6 Overflow; not a number Failure 13.
    std::int16_t toInt16(const regional::RegionalSettings& rs) const;
    // CDate: dates, times and timestamps exactly; texts by the regional date rules.
    regional::DateValue toDate(const regional::RegionalSettings& rs, int currentYear) const;

private:
    std::string m_name;
    FieldKind m_kind = FieldKind::Text;
    std::optional<std::string> m_value;
};

} // namespace ob::odbc
