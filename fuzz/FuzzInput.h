#pragma once
// FuzzInput: carves a fuzzer's byte string into the arguments of one call.
// Texts are cut at a separator byte so that seeds stay readable files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/regional/RegionalSettings.h"

namespace ob::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_rest(reinterpret_cast<const char*>(data), size) {}

    // One byte, 0 when the input is used up.
    std::uint8_t byte()
    {
        if (m_rest.empty())
            return 0;
        const auto b = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return b;
    }

    // The text up to the next `separator` (dropped), or the rest of the input.
    std::string text(char separator)
    {
        const auto at = m_rest.find(separator);
        std::string out(m_rest.substr(0, at));
        m_rest.remove_prefix(at == std::string_view::npos ? m_rest.size() : at + 1);
        return out;
    }

    std::string rest()
    {
        std::string out(m_rest);
        m_rest = {};
        return out;
    }

private:
    std::string_view m_rest;
};

// One of the locales the conversions are fuzzed under, chosen by `pick`.
inline const regional::RegionalSettings& locale(std::uint8_t pick)
{
    static const regional::RegionalSettings all[] = {regional::RegionalSettings::enUS(),
                                                     regional::RegionalSettings::enGB(),
                                                     regional::RegionalSettings::deDE(),
                                                     regional::RegionalSettings::cLocale()};
    return all[pick % (sizeof all / sizeof all[0])];
}

// Stops the run with a message libFuzzer keeps with the crashing input.
[[noreturn]] inline void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

#define OB_FUZZ_CHECK(condition)                                                                                       \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::ob::fuzz::broken(#condition);                                                                            \
    } while (false)

} // namespace ob::fuzz
