#include "platform/odbc/ConnectionTimeouts.h"

#include <charconv>

namespace ob::odbc {

int timeoutFromText(std::string_view text, int fallback)
{
    constexpr int kLongest = 3600;
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 1 || value > kLongest) {
        return fallback;
    }
    return value;
}

} // namespace ob::odbc
