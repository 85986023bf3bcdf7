#include "platform/text/CodePage.h"

#include "platform/Text.h"

#include <array>
#include <cstdlib>
#include <string_view>

namespace ob::text {

namespace {

constexpr unsigned kUtf8 = 65001;
constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::size_t detail::nextUtf8(std::string_view text, std::size_t pos, char32_t& c)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(pos);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, c = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = byte(pos + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

namespace {

// Each byte that does not belong to a well-formed sequence becomes U+FFFD.
std::string wellFormed(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    char32_t c = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const auto length = detail::nextUtf8(text, pos, c);
        if (length == 0) {
            appendUtf8(out, kReplacement);
            ++pos;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

bool isAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Windows' WideCharToMultiByte, asked for no particular flags, maps a
// character the code page lacks to a "best fit" where its tables have one and
// to '?' otherwise. On POSIX systems the conversion has no such tables; this
// covers the case that matters for calibration texts: the Latin letters with
// diacritics of U+00C0..U+017F (names of people, places and manufacturers)
// lose their diacritic (ā -> a, Ł -> L, é -> e where, as in code page 1251,
// é itself is lacking). Ligatures, Þ, ß and the like, and every other
// character, become '?'.
constexpr std::string_view kLatin1Letters = // U+00C0..U+00FF
    "AAAAAA?CEEEEIIIIDNOOOOO?OUUUUY??"
    "aaaaaa?ceeeeiiii?nooooo?ouuuuy?y";
constexpr std::string_view kLatinExtendedA = // U+0100..U+017F
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKk?LlLlLlLlLlNnNnNn???OoOoOo??RrRrRrSsSsSsSsTtTtTt"
    "UuUuUuUuUuUuWwYyYZzZzZz?";
static_assert(kLatin1Letters.size() == 0x40 && kLatinExtendedA.size() == 0x80);

} // namespace

char detail::bestFit(char32_t c)
{
    if (c >= 0xC0 && c < 0x100)
        return kLatin1Letters[c - 0xC0];
    if (c >= 0x100 && c < 0x180)
        return kLatinExtendedA[c - 0x100];
    return '?';
}

bool isUtf8(std::string_view bytes)
{
    char32_t c = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const auto length = detail::nextUtf8(bytes, pos, c);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

std::string utf16leToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() / 2 + 8);
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t first = unit(i);
        if (first >= 0xD800 && first <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t second = unit(i + 2);
            if (second >= 0xDC00 && second <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, (first >= 0xD800 && first <= 0xDFFF) ? kReplacement : first);
    }
    if (i < bytes.size())
        appendUtf8(out, kReplacement);
    return out;
}

std::string utf8ToUtf16le(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    const auto put = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    char32_t c = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const auto length = detail::nextUtf8(text, pos, c);
        if (length == 0) {
            put(kReplacement);
            ++pos;
            continue;
        }
        pos += length;
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

unsigned codePageNumber(std::string_view name)
{
    const auto lowerPrefix = [&](std::string_view prefix) {
        if (name.size() < prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            if (lower(name[i]) != prefix[i])
                return false;
        }
        name.remove_prefix(prefix.size());
        return true;
    };
    if (!lowerPrefix("windows-"))
        lowerPrefix("cp");
    if (name.empty() || name.size() > 5)
        return 0;
    unsigned number = 0;
    for (const char c : name) {
        if (c < '0' || c > '9')
            return 0;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number;
}

CodePage CodePage::peer()
{
    if (const char* name = std::getenv("OB32PYII_CODEPAGE")) {
        if (const unsigned number = codePageNumber(name); number != 0)
            return CodePage(number);
    }
    return CodePage(detail::systemCodePage());
}

std::string CodePage::decode(std::string_view bytes) const
{
    if (isUtf8(bytes))
        return std::string(bytes);
    // UTF-8 itself is not left to the platform: glibc passes malformed UTF-8
    // through unchanged. What the platform gives is checked for the same reason.
    std::string text = m_number == kUtf8 ? std::string(bytes) : detail::decodeFrom(m_number, bytes);
    return isUtf8(text) ? text : wellFormed(text);
}

std::string CodePage::encode(std::string_view text) const
{
    if (isAscii(text) || !isUtf8(text) || m_number == kUtf8)
        return std::string(text);
    return detail::encodeTo(m_number, text);
}

} // namespace ob::text
