#pragma once
// Text between the program and the peer. Inside the program text is UTF-8;
// the files shared with PYRALIS II hold the peer's code page (Windows' ANSI
// code page), or UTF-16LE when they start with a byte-order mark.

#include <string>
#include <string_view>

namespace ob::text {

// Whether bytes are well-formed UTF-8 (shortest forms, no surrogates, at most U+10FFFF).
bool isUtf8(std::string_view bytes);

// UTF-16LE (without its byte-order mark) as UTF-8 and back. A malformed
// sequence or an unpaired surrogate becomes U+FFFD.
std::string utf16leToUtf8(std::string_view bytes);
std::string utf8ToUtf16le(std::string_view text);

// One code page, by its Windows number (1252, 1251, 437, 932, 65001 ...).
class CodePage {
public:
    explicit CodePage(unsigned number) : m_number(number) {}

    // The peer's: OB32PYII_CODEPAGE when it names one ("1251", "cp1251",
    // "windows-1251"), else the system's: Windows-1252 on POSIX systems, the
    // ANSI code page on Windows. A code page the platform cannot convert is
    // converted as the system's. Nothing is loaded until text needs converting.
    static CodePage peer();

    unsigned number() const { return m_number; }

    // The peer's bytes as UTF-8. Bytes that are valid UTF-8 stay as they are
    // (our own tools and hand edits write UTF-8); anything else is decoded from
    // the code page, a byte it does not define becoming U+FFFD.
    std::string decode(std::string_view bytes) const;

    // UTF-8 as the peer's bytes. A character the code page lacks becomes what
    // Windows' own conversion makes of it (see CodePage.cpp). Bytes that are
    // not UTF-8 are taken to be the peer's already and pass unchanged.
    std::string encode(std::string_view text) const;

private:
    unsigned m_number;
};

// The code page's number in a name such as "1251", "CP1251" or
// "windows-1251"; 0 when it names none.
unsigned codePageNumber(std::string_view name);

namespace detail {
// The platform's conversions of one code page. decodeFrom turns each byte it
// cannot map into U+FFFD; encodeTo gets well-formed, non-ASCII UTF-8.
std::string decodeFrom(unsigned codePage, std::string_view bytes);
std::string encodeTo(unsigned codePage, std::string_view text);
// The system's code page: used when OB32PYII_CODEPAGE names none, and in
// place of one the platform cannot convert.
unsigned systemCodePage();

// Shared by the platforms: the length of the well-formed UTF-8 sequence at
// text[pos] and its code point (0 when the bytes there are not one), and the
// single byte Windows' conversion would give for a character the code page lacks.
std::size_t nextUtf8(std::string_view text, std::size_t pos, char32_t& c);
char bestFit(char32_t c);
} // namespace detail

} // namespace ob::text
