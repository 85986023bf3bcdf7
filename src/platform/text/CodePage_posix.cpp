// Code pages through iconv: glibc knows Windows' code pages as CP<number>.

#include "platform/text/CodePage.h"

#include <cerrno>
#include <charconv>
#include <iconv.h>
#include <memory>

namespace ob::text::detail {

namespace {

std::string iconvName(unsigned codePage)
{
    if (codePage == 65001)
        return "UTF-8";
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, codePage).ptr;
    return "CP" + std::string(digits, end);
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from) : m_cd(::iconv_open(to.c_str(), from.c_str())) {}
    ~Converter()
    {
        if (valid())
            ::iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Appends to out as much of input as converts, advancing input; false
    // when it stopped at a sequence it cannot convert.
    bool convert(std::string_view& input, std::string& out)
    {
        char buffer[512];
        for (;;) {
            char* in = const_cast<char*>(input.data());
            std::size_t inLeft = input.size();
            char* next = buffer;
            std::size_t outLeft = sizeof buffer;
            const auto rc = ::iconv(m_cd, &in, &inLeft, &next, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(next - buffer));
            input.remove_prefix(input.size() - inLeft);
            if (rc != static_cast<std::size_t>(-1))
                return true;
            if (error != E2BIG)
                return false;
        }
    }

private:
    iconv_t m_cd;
};

// iconv is opened only for text that needs converting: opening it loads the
// conversion modules, which costs a fresh process milliseconds.
std::unique_ptr<Converter> open(unsigned codePage, bool toUtf8)
{
    for (const unsigned number : {codePage, systemCodePage()}) {
        auto converter = toUtf8 ? std::make_unique<Converter>("UTF-8", iconvName(number))
                                : std::make_unique<Converter>(iconvName(number), "UTF-8");
        if (converter->valid())
            return converter;
    }
    return nullptr;
}

} // namespace

unsigned systemCodePage()
{
    return 1252;
}

std::string decodeFrom(unsigned codePage, std::string_view bytes)
{
    const auto converter = open(codePage, true);
    if (!converter)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    while (!converter->convert(bytes, out)) {
        out += "\xEF\xBF\xBD"; // U+FFFD for the byte it cannot map
        bytes.remove_prefix(1);
    }
    return out;
}

std::string encodeTo(unsigned codePage, std::string_view text)
{
    const auto converter = open(codePage, false);
    if (!converter)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    while (!converter->convert(text, out)) {
        char32_t c = 0;
        const auto length = nextUtf8(text, 0, c);
        out += bestFit(c);
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

} // namespace ob::text::detail
