// ParseVersion on any text: four numbers or an overflow (6), nothing else;
// DescribeVersion of the result; the password mask of a connection text.

#include <string>

#include "FuzzInput.h"
#include "platform/Failure.h"
#include "platform/odbc/ConnectionString.h"
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
    // A connection text holding the password, quoted as the login quotes it,
    // never shows it after masking, whatever follows.
    if (!password.empty()) {
        const std::string masked = ob::odbc::maskConnectionPasswords(
            "uid=u;pwd=" + ob::odbc::quoteConnectionValue(password) + ";" + text);
        OB_FUZZ_CHECK(masked.rfind("uid=u;pwd=********;", 0) == 0);
    }
    return 0;
}
