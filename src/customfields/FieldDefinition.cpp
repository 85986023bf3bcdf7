#include "customfields/FieldDefinition.h"

#include <array>
#include <charconv>

#include "platform/Text.h"

namespace ob {

namespace {

// Zero-padded decimal of a non-negative number, at least `width` digits.
std::string padded(int value, std::size_t width)
{
    std::array<char, 16> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    std::string digits(buf.data(), res.ptr);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return digits;
}

} // namespace

void FieldDefinition::setDefaultValue(const std::string& value, const regional::CivilDateTime& now)
{
    const std::string token = text::upper(value);
    if (token == "99/99/99") {
        m_defaultValue = padded(now.year, 4) + "-" + padded(now.month, 2) + "-" + padded(now.day, 2);
    } else if (token == "99:99") {
        m_defaultValue = padded(now.hour, 2) + ":" + padded(now.minute, 2);
    } else if (token == "U_NAM") {
        m_defaultValue = "<enter user name>";
    } else if (token == "U_FNAM") {
        m_defaultValue = "<enter user full name>";
    } else if (token == "U_SEG") {
        m_defaultValue = "<enter user segregate>";
    } else if (token == "U_WRK") {
        m_defaultValue = "<enter user workstation>";
    } else if (token == "DSK_TOP") {
        m_defaultValue = "<enter desktop>";
    } else {
        m_defaultValue = value;
    }
}

} // namespace ob
