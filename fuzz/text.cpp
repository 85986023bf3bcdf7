// The text conversions on any bytes. Whatever the peer's file holds, it reads
// as well-formed UTF-8 (what the database and the log get); UTF-8 survives
// UTF-16 and back; and a key written reads back as the peer's code page gives
// it back, in a file of the code page and in a UTF-16LE file alike.
//
// Input: a byte choosing the code page, the value up to a NUL byte, then the
// file content (after a byte-order mark when the choosing byte is odd).

#include <iterator>
#include <string>

#include "FuzzInput.h"
#include "platform/ini/FileText.h"
#include "platform/text/CodePage.h"

namespace {

using namespace ob;

constexpr unsigned kCodePages[] = {1252, 1251, 1250, 437, 850, 932, 65001};

std::string withoutBreaks(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const std::uint8_t choice = in.byte();
    const text::CodePage codePage(kCodePages[(choice >> 1) % std::size(kCodePages)]);
    const std::string raw = in.text('\0');
    const std::string content = (choice & 1 ? "\xFF\xFE" : "") + in.rest();

    const std::string value = codePage.decode(raw);
    OB_FUZZ_CHECK(text::isUtf8(value));
    OB_FUZZ_CHECK(text::isUtf8(codePage.decode(codePage.encode(value))));
    OB_FUZZ_CHECK(text::isUtf8(text::utf16leToUtf8(raw)));
    if (text::isUtf8(raw))
        OB_FUZZ_CHECK(text::utf16leToUtf8(text::utf8ToUtf16le(raw)) == raw);

    // A line break in a value is written as a space; the value is then read
    // back as written, through the code page unless the file is UTF-16.
    const std::string written = withoutBreaks(value);
    const std::string after = ini::assignText(content, "General", "Action", written, codePage);
    const bool utf16 = ini::isUtf16(content);
    OB_FUZZ_CHECK(ini::isUtf16(after) == utf16);
    const auto reread = ini::lookupText(after, "General", "Action", codePage);
    OB_FUZZ_CHECK(reread.has_value());
    OB_FUZZ_CHECK(*reread == (utf16 ? written : codePage.decode(codePage.encode(written))));
    for (const auto& [name, entry] : ini::sectionEntriesText(after, "General", codePage))
        OB_FUZZ_CHECK(text::isUtf8(name) && text::isUtf8(entry));
    return 0;
}
