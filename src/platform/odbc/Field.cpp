#include "platform/odbc/Field.h"

#include <charconv>
#include <string_view>

#include "platform/Failure.h"
#include "platform/regional/DateValue.h"

namespace ob::odbc {

namespace {

// A number as drivers write it: "." as decimal point, maybe an exponent.
std::optional<double> driverNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

// Exactly `count` decimal digits at `pos`.
bool digits(std::string_view text, std::size_t pos, std::size_t count, int& out)
{
    if (pos + count > text.size()) {
        return false;
    }
    int v = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        v = v * 10 + (text[i] - '0');
    }
    out = v;
    return true;
}

bool isoDate(std::string_view text, regional::CivilDateTime& c)
{
    return text.size() >= 10 && digits(text, 0, 4, c.year) && text[4] == '-' && digits(text, 5, 2, c.month) &&
           text[7] == '-' && digits(text, 8, 2, c.day);
}

// "hh:mm:ss", then nothing or a fraction of a second, which is dropped.
bool isoTime(std::string_view text, regional::CivilDateTime& c)
{
    if (!(text.size() >= 8 && digits(text, 0, 2, c.hour) && text[2] == ':' && digits(text, 3, 2, c.minute) &&
          text[5] == ':' && digits(text, 6, 2, c.second))) {
        return false;
    }
    if (text.size() == 8) {
        return true;
    }
    if (text[8] != '.') {
        return false;
    }
    for (std::size_t i = 9; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

std::optional<regional::DateValue> typedDate(FieldKind kind, std::string_view text)
{
    regional::CivilDateTime c;
    switch (kind) {
    case FieldKind::Date:
        if (text.size() == 10 && isoDate(text, c)) {
            return regional::makeDate(c.year, c.month, c.day);
        }
        break;
    case FieldKind::Time:
        if (isoTime(text, c)) {
            return regional::makeTime(c.hour, c.minute, c.second);
        }
        break;
    case FieldKind::Timestamp:
        if (text.size() >= 19 && isoDate(text, c) && (text[10] == ' ' || text[10] == 'T') &&
            isoTime(text.substr(11), c)) {
            return regional::makeDateTime(c);
        }
        break;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace

std::string Field::toText() const
{
    if (!m_value) {
        throw Failure::invalidUseOfNull();
    }
    return *m_value;
}

std::int16_t Field::toInt16(const regional::RegionalSettings& rs) const
{
    if (!m_value) {
        throw Failure::invalidUseOfNull();
    }
    switch (m_kind) {
    case FieldKind::Number: {
        std::optional<double> v = driverNumber(*m_value);
        if (!v) {
            throw Failure::typeMismatch();
        }
        return regional::toInt16(*v);
    }
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::Timestamp:
        // CInt of a date is its serial number, rounded.
        if (std::optional<regional::DateValue> v = typedDate(m_kind, *m_value)) {
            return regional::toInt16(*v);
        }
        break;
    case FieldKind::Text:
        break;
    }
    return regional::toInt16(*m_value, rs);
}

regional::DateValue Field::toDate(const regional::RegionalSettings& rs, int currentYear) const
{
    if (!m_value) {
        throw Failure::invalidUseOfNull();
    }
    switch (m_kind) {
    case FieldKind::Number: {
        std::optional<double> v = driverNumber(*m_value);
        if (!v) {
            throw Failure::typeMismatch();
        }
        if (!(*v >= regional::kMinDate && *v <= regional::kMaxDate)) {
            throw Failure::overflow();
        }
        return *v;
    }
    case FieldKind::Date:
    case FieldKind::Time:
    case FieldKind::Timestamp:
        // SQLite stores whatever text it was given under a declared date type;
        // a value that is not in the driver's form is read like any text.
        if (std::optional<regional::DateValue> v = typedDate(m_kind, *m_value)) {
            return *v;
        }
        break;
    case FieldKind::Text:
        break;
    }
    return regional::parseDate(*m_value, rs, currentYear);
}

} // namespace ob::odbc
