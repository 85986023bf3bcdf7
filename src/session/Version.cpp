#include "session/Version.h"

#include "platform/regional/Conversions.h"

namespace ob {

namespace {

std::int16_t pieceValue(const std::string& piece)
{
    return regional::toInt16(regional::val(piece));
}

} // namespace

ParsedVersion ParseVersion(const std::string& text)
{
    ParsedVersion v;
    std::int16_t* targets[] = {&v.Major, &v.Minor, &v.Other};
    std::string rest = text;
    for (std::int16_t* target : targets) {
        const auto dot = rest.find('.');
        if (dot == std::string::npos) {
            return v;
        }
        *target = pieceValue(rest.substr(0, dot));
        rest = rest.substr(dot + 1);
    }
    v.Build = pieceValue(rest);
    return v;
}

std::string DescribeVersion(const ParsedVersion& v)
{
    using regional::formatInteger;
    return "Major: " + formatInteger(v.Major) + " Minor: " + formatInteger(v.Minor) +
           " Other: " + formatInteger(v.Other) + " Build: " + formatInteger(v.Build);
}

} // namespace ob
