// Text to number (CDbl, IsNumeric, Val), rounding (CInt, CLng) and numbers to
// text (CStr, Format "General Number" and "Fixed"). Nothing here depends on
// the C library's locale: digits are read and written with from_chars/to_chars.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Failure.h"
#include "platform/regional/Conversions.h"

namespace ob::regional {

namespace {

// ---- reading --------------------------------------------------------------

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The significant digits of a decimal number and the power of ten of the last
// one. Digits beyond the buffer are summed up in one sticky digit, which keeps
// the conversion to double correctly rounded.
class DecimalDigits {
public:
    void add(char digit, bool fraction)
    {
        if (m_length == 0 && digit == '0') {
            if (fraction)
                --m_exponent;
            return;
        }
        if (m_length < kMaxDigits) {
            m_digits[m_length++] = digit;
            if (fraction)
                --m_exponent;
        } else {
            m_sticky = m_sticky || digit != '0';
            if (!fraction)
                ++m_exponent;
        }
    }

    void addExponent(long long e) { m_exponent += e; }

    // The value, or nullopt when it lies beyond the range of a double.
    std::optional<double> value() const
    {
        if (m_length == 0)
            return 0.0;
        char text[kMaxDigits + 32];
        char* p = text;
        for (int i = 0; i < m_length; ++i)
            *p++ = m_digits[i];
        long long exponent = m_exponent;
        if (m_sticky) {
            *p++ = '1';
            --exponent;
        }
        *p++ = 'e';
        p = std::to_chars(p, text + sizeof text, exponent).ptr;
        double v = 0.0;
        const auto r = std::from_chars(text, p, v);
        if (r.ec == std::errc::result_out_of_range) {
            if (exponent + m_length > 0)
                return std::nullopt;
            return 0.0; // below the smallest double
        }
        return v;
    }

private:
    static constexpr int kMaxDigits = 800;
    char m_digits[kMaxDigits];
    int m_length = 0;
    bool m_sticky = false;
    long long m_exponent = 0;
};

// Saturating accumulation of an exponent's digits.
void addExponentDigit(long long& e, char digit)
{
    if (e < 1'000'000'000)
        e = e * 10 + (digit - '0');
}

// &H and &O values take the width of the smallest integer type they fit:
// four hex digits wrap at 16 bits, up to eight at 32 bits.
double radixValue(std::uint64_t v)
{
    if (v <= 0xFFFFu)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    if (v <= 0xFFFFFFFFu)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return static_cast<double>(static_cast<std::int64_t>(v));
}

int radixDigit(char c, int radix)
{
    int d = -1;
    if (isDigit(c))
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    return d < radix ? d : -1;
}

int radixOf(char c)
{
    if (c == 'H' || c == 'h')
        return 16;
    if (c == 'O' || c == 'o')
        return 8;
    return 0;
}

enum class NumberStatus { Ok, Mismatch, Overflow };

struct NumberResult {
    NumberStatus status;
    double value;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One reading of a text by the system's number rules: blanks around, a sign
// before or after, parentheses, the currency symbol before or after, grouping
// after the first digit, one decimal separator, an exponent with e/E, or &H/&O;
// the whole text must be used.
class NumberReader {
public:
    NumberReader(std::string_view s, const RegionalSettings& rs) : m_s(s), m_rs(rs) {}

    NumberResult read()
    {
        readPrefix();
        const NumberResult body = atRadix() ? readRadix() : readDecimal();
        if (body.status != NumberStatus::Ok)
            return body;
        if (!readSuffix())
            return kMismatch;
        const double value = m_negative || m_paren ? -body.value : body.value;
        return {NumberStatus::Ok, value == 0.0 ? 0.0 : value};
    }

private:
    static constexpr NumberResult kMismatch{NumberStatus::Mismatch, 0.0};

    bool more() const { return m_i < m_s.size(); }
    bool at(std::string_view token) const { return !token.empty() && m_s.substr(m_i, token.size()) == token; }

    // Blanks around the number, the no-break space among them.
    bool skipBlank()
    {
        std::size_t length = 0;
        if (isBlank(m_s[m_i]))
            length = 1;
        else if (m_s.substr(m_i, 2) == "\xC2\xA0")
            length = 2;
        m_i += length;
        return length > 0;
    }

    // One sign, before or after the number, and never with parentheses.
    bool takeSign()
    {
        if (m_sign || m_paren || (m_s[m_i] != '+' && m_s[m_i] != '-'))
            return false;
        m_sign = true;
        m_negative = m_s[m_i] == '-';
        ++m_i;
        return true;
    }

    bool takeOpeningParenthesis()
    {
        if (m_sign || m_paren || m_s[m_i] != '(')
            return false;
        m_paren = true;
        ++m_i;
        return true;
    }

    bool takeClosingParenthesis()
    {
        if (!m_paren || m_closed || m_s[m_i] != ')')
            return false;
        m_closed = true;
        ++m_i;
        return true;
    }

    // The currency symbol, once, before or after the number.
    bool takeCurrency()
    {
        if (m_currency || !at(m_rs.currencySymbol))
            return false;
        m_currency = true;
        m_i += m_rs.currencySymbol.size();
        return true;
    }

    void readPrefix()
    {
        while (more() && (skipBlank() || takeSign() || takeOpeningParenthesis() || takeCurrency()))
            continue;
    }

    // After the number nothing else may follow, and an opening parenthesis must be closed.
    bool readSuffix()
    {
        while (more()) {
            if (!(skipBlank() || takeSign() || takeClosingParenthesis() || takeCurrency()))
                return false;
        }
        return !m_paren || m_closed;
    }

    bool atRadix() const { return m_i + 1 < m_s.size() && m_s[m_i] == '&' && radixOf(m_s[m_i + 1]) != 0; }

    // &H or &O and at least one digit.
    NumberResult readRadix()
    {
        const int radix = radixOf(m_s[m_i + 1]);
        m_i += 2;
        std::uint64_t v = 0;
        bool any = false;
        for (int d; more() && (d = radixDigit(m_s[m_i], radix)) >= 0; ++m_i) {
            v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
            any = true;
        }
        if (!any)
            return kMismatch;
        return {NumberStatus::Ok, radixValue(v)};
    }

    NumberResult readDecimal()
    {
        DecimalDigits digits;
        if (!readDigits(digits) || !readExponent(digits))
            return kMismatch;
        const auto v = digits.value();
        if (!v)
            return {NumberStatus::Overflow, 0.0};
        return {NumberStatus::Ok, *v};
    }

    // Digits with one decimal separator, and grouping once a digit has come;
    // false when there is no digit at all.
    bool readDigits(DecimalDigits& digits)
    {
        bool anyDigit = false;
        bool point = false;
        while (more()) {
            if (isDigit(m_s[m_i])) {
                digits.add(m_s[m_i], point);
                anyDigit = true;
                ++m_i;
            } else if (!point && at(m_rs.decimalSeparator)) {
                point = true;
                m_i += m_rs.decimalSeparator.size();
            } else if (anyDigit && at(m_rs.groupingSeparator)) {
                m_i += m_rs.groupingSeparator.size();
            } else {
                break;
            }
        }
        return anyDigit;
    }

    // An e or E with an optional sign must have digits; false when they are missing.
    bool readExponent(DecimalDigits& digits)
    {
        if (!more() || (m_s[m_i] != 'e' && m_s[m_i] != 'E'))
            return true;
        ++m_i;
        bool negative = false;
        if (more() && (m_s[m_i] == '+' || m_s[m_i] == '-')) {
            negative = m_s[m_i] == '-';
            ++m_i;
        }
        if (!more() || !isDigit(m_s[m_i]))
            return false;
        long long e = 0;
        for (; more() && isDigit(m_s[m_i]); ++m_i)
            addExponentDigit(e, m_s[m_i]);
        digits.addExponent(negative ? -e : e);
        return true;
    }

    std::string_view m_s;
    const RegionalSettings& m_rs;
    std::size_t m_i = 0;
    bool m_sign = false;
    bool m_negative = false;
    bool m_paren = false;
    bool m_closed = false;
    bool m_currency = false;
};

NumberResult readNumber(std::string_view s, const RegionalSettings& rs)
{
    return NumberReader(s, rs).read();
}

// Val's reading of the number at the start of a text: blanks (space, tab, CR,
// LF) are dropped everywhere, "." is the only decimal point, e/E/d/D start the
// exponent, and the reading stops at the first character that does not fit.
class LeadingNumber {
public:
    explicit LeadingNumber(std::string_view s) : m_s(s) {}

    double read()
    {
        skipBlanks();
        if (take('&'))
            return readRadix();
        const bool negative = readMinus();
        DecimalDigits digits;
        readDigits(digits);
        const auto v = digits.value();
        if (!v)
            throw Failure::overflow();
        if (*v == 0.0)
            return 0.0;
        return negative ? -*v : *v;
    }

private:
    bool more() const { return m_i < m_s.size(); }

    void skipBlanks()
    {
        while (more() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\r' || m_s[m_i] == '\n'))
            ++m_i;
    }

    bool take(char c)
    {
        if (!more() || m_s[m_i] != c)
            return false;
        ++m_i;
        return true;
    }

    // An optional sign; true when it is a minus.
    bool readMinus()
    {
        if (take('-'))
            return true;
        take('+');
        return false;
    }

    // &H or &O, then its digits; 0 when the letter is missing.
    double readRadix()
    {
        skipBlanks();
        const int radix = more() ? radixOf(m_s[m_i]) : 0;
        if (radix == 0)
            return 0.0;
        ++m_i;
        std::uint64_t v = 0;
        for (;;) {
            skipBlanks();
            const int d = more() ? radixDigit(m_s[m_i], radix) : -1;
            if (d < 0)
                break;
            v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
            ++m_i;
        }
        return radixValue(v);
    }

    // Digits with one decimal point, up to the exponent, which ends the number.
    void readDigits(DecimalDigits& digits)
    {
        bool point = false;
        for (;;) {
            skipBlanks();
            if (!more())
                return;
            const char c = m_s[m_i];
            if (isDigit(c)) {
                digits.add(c, point);
            } else if (c == '.' && !point) {
                point = true;
            } else if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
                ++m_i;
                readExponent(digits);
                return;
            } else {
                return;
            }
            ++m_i;
        }
    }

    // The exponent's sign and digits, any of them missing.
    void readExponent(DecimalDigits& digits)
    {
        skipBlanks();
        const bool negative = readMinus();
        long long e = 0;
        for (;;) {
            skipBlanks();
            if (!more() || !isDigit(m_s[m_i]))
                break;
            addExponentDigit(e, m_s[m_i]);
            ++m_i;
        }
        digits.addExponent(negative ? -e : e);
    }

    std::string_view m_s;
    std::size_t m_i = 0;
};

// ---- rounding -------------------------------------------------------------

double roundHalfEven(double v)
{
    if (!std::isfinite(v))
        throw Failure::overflow();
    const double lower = std::floor(v);
    const double fraction = v - lower;
    if (fraction > 0.5)
        return lower + 1.0;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// ---- writing --------------------------------------------------------------

// A finite, non-zero magnitude rounded to 15 significant digits: the digits
// without trailing zeros, and the power of ten of the first one.
struct Significant {
    char digits[16];
    int count;
    int exponent;
};

Significant significant15(double magnitude)
{
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
    // buf holds d.dddddddddddddde[+-]xx
    Significant sig{};
    sig.digits[0] = buf[0];
    int count = 1;
    const char* p = buf + 1;
    if (*p == '.') {
        for (++p; *p != 'e'; ++p)
            sig.digits[count++] = *p;
    }
    while (count > 1 && sig.digits[count - 1] == '0')
        --count;
    sig.count = count;
    int exponent = 0;
    std::from_chars(*(p + 1) == '+' ? p + 2 : p + 1, r.ptr, exponent);
    sig.exponent = exponent;
    return sig;
}

void appendUnsigned(std::string& out, long long v, int minDigits)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (auto len = r.ptr - buf; len < minDigits; ++len)
        out += '0';
    out.append(buf, r.ptr);
}

} // namespace

double parseNumber(std::string_view text, const RegionalSettings& rs)
{
    const NumberResult r = readNumber(text, rs);
    if (r.status == NumberStatus::Overflow)
        throw Failure::overflow();
    if (r.status == NumberStatus::Mismatch)
        throw Failure::typeMismatch();
    return r.value;
}

std::optional<double> tryParseNumber(std::string_view text, const RegionalSettings& rs)
{
    const NumberResult r = readNumber(text, rs);
    if (r.status != NumberStatus::Ok)
        return std::nullopt;
    return r.value;
}

bool isNumeric(std::string_view text, const RegionalSettings& rs)
{
    return readNumber(text, rs).status == NumberStatus::Ok;
}

double val(std::string_view text)
{
    return LeadingNumber(text).read();
}

std::int16_t toInt16(double v)
{
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max())
        throw Failure::overflow();
    return static_cast<std::int16_t>(r);
}

std::int32_t toInt32(double v)
{
    const double r = roundHalfEven(v);
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        throw Failure::overflow();
    return static_cast<std::int32_t>(r);
}

std::int16_t toInt16(std::string_view text, const RegionalSettings& rs)
{
    return toInt16(parseNumber(text, rs));
}

std::int32_t toInt32(std::string_view text, const RegionalSettings& rs)
{
    return toInt32(parseNumber(text, rs));
}

std::string formatGeneralNumber(double v, const RegionalSettings& rs)
{
    if (!std::isfinite(v))
        throw Failure::overflow();
    if (v == 0.0)
        return "0";
    const Significant sig = significant15(std::fabs(v));
    const int count = sig.count;
    const int exponent = sig.exponent;
    std::string out;
    out.reserve(24);
    if (v < 0)
        out += '-';
    // Plain digits while they fit in 15 places, otherwise d.dddE+xx.
    const bool plain = exponent >= 0 ? exponent < 15 : -exponent - 1 + count <= 15;
    if (!plain) {
        out += sig.digits[0];
        if (count > 1) {
            out += rs.decimalSeparator;
            out.append(sig.digits + 1, sig.digits + count);
        }
        out += 'E';
        out += exponent < 0 ? '-' : '+';
        appendUnsigned(out, exponent < 0 ? -exponent : exponent, 2);
    } else if (exponent >= 0) {
        const int integerDigits = exponent + 1;
        for (int k = 0; k < integerDigits; ++k)
            out += k < count ? sig.digits[k] : '0';
        if (count > integerDigits) {
            out += rs.decimalSeparator;
            out.append(sig.digits + integerDigits, sig.digits + count);
        }
    } else {
        out += '0';
        out += rs.decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(sig.digits, sig.digits + count);
    }
    return out;
}

std::string formatFixed(double v, const RegionalSettings& rs)
{
    if (!std::isfinite(v))
        throw Failure::overflow();
    // Hundredths as decimal digits, rounded half away from zero after the
    // value has been taken to 15 significant digits.
    std::string hundredths;
    if (v != 0.0) {
        const Significant sig = significant15(std::fabs(v));
        const int keep = sig.exponent + 3; // digits down to the hundredths
        if (keep >= 0) {
            for (int k = 0; k < keep; ++k)
                hundredths += k < sig.count ? sig.digits[k] : '0';
            if (keep < sig.count && sig.digits[keep] >= '5') {
                int k = keep - 1;
                for (; k >= 0 && hundredths[static_cast<std::size_t>(k)] == '9'; --k)
                    hundredths[static_cast<std::size_t>(k)] = '0';
                if (k >= 0)
                    ++hundredths[static_cast<std::size_t>(k)];
                else
                    hundredths.insert(hundredths.begin(), '1');
            }
        }
    }
    const bool zero = hundredths.find_first_not_of('0') == std::string::npos;
    if (hundredths.size() < 3)
        hundredths.insert(0, 3 - hundredths.size(), '0');
    std::string out;
    if (v < 0 && !zero)
        out += '-';
    out.append(hundredths, 0, hundredths.size() - 2);
    out += rs.decimalSeparator;
    out.append(hundredths, hundredths.size() - 2, 2);
    return out;
}

std::string formatPointZero(const RegionalSettings& rs)
{
    return rs.decimalSeparator + "0";
}

std::string decimalSeparatorCharacter(const RegionalSettings& rs)
{
    // The first character, not the first byte: half of a two-byte separator
    // would match nothing a user types.
    const std::string pointZero = formatPointZero(rs);
    std::size_t length = pointZero.empty() ? 0 : 1;
    while (length < pointZero.size() && (static_cast<unsigned char>(pointZero[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return pointZero.substr(0, length);
}

std::string formatInteger(long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace ob::regional
