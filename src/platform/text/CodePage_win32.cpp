// Code pages through Windows' own conversions, which apply its best fit.

#include "platform/text/CodePage.h"

#include <cstring>
#include <windows.h>

namespace ob::text::detail {

unsigned systemCodePage()
{
    return ::GetACP();
}

namespace {

unsigned usable(unsigned codePage)
{
    return ::IsValidCodePage(codePage) ? codePage : ::GetACP();
}

} // namespace

std::string decodeFrom(unsigned requested, std::string_view bytes)
{
    const unsigned codePage = usable(requested);
    // Without MB_ERR_INVALID_CHARS a byte the code page leaves undefined maps
    // as Windows maps it for the peer.
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    std::string units(wide.size() * sizeof(wchar_t), '\0');
    std::memcpy(units.data(), wide.data(), units.size());
    return utf16leToUtf8(units);
}

std::string encodeTo(unsigned requested, std::string_view text)
{
    const unsigned codePage = usable(requested);
    const std::string units = utf8ToUtf16le(text);
    std::wstring wide(units.size() / sizeof(wchar_t), L'\0');
    std::memcpy(wide.data(), units.data(), units.size());
    // No flags: Windows' best fit, else the code page's default character,
    // exactly what the peer's own conversions give.
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

} // namespace ob::text::detail
