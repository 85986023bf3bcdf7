#pragma once
// ParseVersion: "a.b.c.d" into four 16-bit numbers.

#include <cstdint>
#include <string>

namespace ob {

struct ParsedVersion {
    std::int16_t Major = 0;
    std::int16_t Minor = 0;
    std::int16_t Other = 0;
    std::int16_t Build = 0;
};

// Each piece is read from its leading digits (an empty piece gives 0); the
// pieces after a missing "." stay 0. A piece beyond 16 bits: Failure 6.
ParsedVersion ParseVersion(const std::string& text);

// The log line "Major: 7 Minor: 0 Other: 0 Build: 287".
std::string DescribeVersion(const ParsedVersion& v);

} // namespace ob
