// The PE version reader on any bytes: never fails, never reads outside the
// data, and gives either no version or four decimal numbers joined by dots.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/pe/FileVersion.h"

namespace {

bool versionShaped(const std::string& v)
{
    int dots = 0;
    std::size_t digits = 0;
    for (const char c : v) {
        if (c == '.') {
            if (digits == 0 || digits > 5)
                return false;
            ++dots;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            ++digits;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0 && digits <= 5;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past the end.
    std::vector<unsigned char> bytes(data, data + size);
    const std::string version = ob::pe::fileVersionFromBytes(bytes.empty() ? nullptr : bytes.data(), bytes.size());
    OB_FUZZ_CHECK(version.empty() || versionShaped(version));
    return 0;
}
