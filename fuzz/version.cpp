// ParseVersion on any text: four numbers or an overflow (6), nothing else;
// DescribeVersion of the result; the password mask on the same text.

#include <string>

#include "FuzzInput.h"
#include "platform/Failure.h"
#include "session/Version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ob::fuzz::FuzzInput in(data, size);
    const std::string password = in.text('\0');
    const std::string text = in.rest();
    try {
        const ob::ParsedVersion v = ob::ParseVersion(text);
        const std::string line = ob::DescribeVersion(v);
        OB_FUZZ_CHECK(line.rfind("Major: ", 0) == 0);
    } catch (const ob::Failure& f) {
        OB_FUZZ_CHECK(f.number() == 6);
    }
    // A connection string holding the password never shows it after masking.
    const std::string masked = ob::MaskPassword("uid=u;pwd=" + password + ";" + text, password);
    OB_FUZZ_CHECK(masked.rfind("uid=u;pwd=********;", 0) == 0);
    return 0;
}
