#pragma once
// The text of a lock's kernel name, shared by both sides of NamedLock: the
// folder's identity, a short stable stand-in for the file's name (any letter
// case), and the purpose.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Text.h"

namespace ob::sys {

inline std::string lockNameText(std::string_view prefix, std::uint64_t volume, std::uint64_t index,
                                std::string_view fileName, std::string_view purpose, char separator)
{
    const auto hex = [](std::uint64_t value) {
        static constexpr char digits[] = "0123456789abcdef";
        std::string out;
        do {
            out.insert(out.begin(), digits[value & 15]);
            value >>= 4;
        } while (value != 0);
        return out;
    };
    // FNV-1a of the upper-cased name: any length fits the name's limit.
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text::upper(fileName)) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::string name(prefix);
    for (const auto& part : {hex(volume), hex(index), hex(hash), std::string(purpose)})
        name.append(1, separator).append(part);
    return name;
}

} // namespace ob::sys
