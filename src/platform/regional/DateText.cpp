// Text to date and time (CDate, IsDate) and dates to text (the named formats).
//
// A date text is read as the runtime reads it: digit runs become numbers, the
// locale's month names count as a month, AM/PM marks the time, and the numbers
// joined by time separators form the time of day; the remaining two or three
// numbers are the date, fitted to the locale's date order first.

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Failure.h"
#include "platform/Text.h"
#include "platform/regional/Calendar.h"
#include "platform/regional/Conversions.h"

namespace ob::regional {

namespace cal = calendar;

namespace {

// ---- reading --------------------------------------------------------------

constexpr int kMaxTokens = 6;
constexpr int kMaxDateSeparators = 2;
constexpr std::uint32_t kTooLarge = 1'000'000'000; // larger than any field can be

enum class Sep : unsigned char { None, Time, Date };

struct Token {
    std::uint32_t value = 0;
    int digits = 0;
    bool month = false; // a month name; value is the month number
    Sep sep = Sep::None; // separator that follows the token
    bool dot = false;    // that separator was a '.'
};

struct Tokens {
    std::array<Token, kMaxTokens> t{};
    int count = 0;
    int ampmToken = -1; // index of the token the AM/PM designator follows
    bool pm = false;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Length of the blank at `i` (ASCII blanks, no-break space, ideographic space), 0 if none.
std::size_t blankAt(std::string_view s, std::size_t i)
{
    if (static_cast<unsigned char>(s[i]) < 0x80)
        return isBlank(s[i]) ? 1 : 0;
    if (s.substr(i, 2) == "\xC2\xA0")
        return 2;
    if (s.substr(i, 3) == "\xE3\x80\x80")
        return 3;
    return 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isWordByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80;
}

// Case folding for ASCII and for the Latin-1 letters of UTF-8 (two bytes, lead byte C3).
bool foldEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size() || a.empty())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x == y)
            continue;
        const bool afterC3 = i > 0 && static_cast<unsigned char>(a[i - 1]) == 0xC3 &&
                             static_cast<unsigned char>(b[i - 1]) == 0xC3;
        auto fold = [afterC3](unsigned char c) -> unsigned char {
            if (afterC3 && c >= 0x80 && c <= 0x9E && c != 0x97)
                return static_cast<unsigned char>(c + 32);
            return static_cast<unsigned char>(text::lower(static_cast<char>(c)));
        };
        if (fold(x) != fold(y))
            return false;
    }
    return true;
}

int monthOfWord(std::string_view word, const RegionalSettings& rs)
{
    for (int m = 0; m < 12; ++m) {
        if (foldEquals(word, rs.monthNames[static_cast<std::size_t>(m)]))
            return m + 1;
    }
    for (int m = 0; m < 12; ++m) {
        if (foldEquals(word, rs.monthAbbreviations[static_cast<std::size_t>(m)]))
            return m + 1;
    }
    return 0;
}

bool markSeparator(Tokens& tk, Sep sep, bool dot)
{
    if (tk.count == 0)
        return false;
    Token& last = tk.t[static_cast<std::size_t>(tk.count - 1)];
    if (last.sep != Sep::None && last.sep != sep)
        return false;
    last.sep = sep;
    last.dot = dot;
    return true;
}

// Cuts a date text into numbers and month names, marking the separator after
// each and the number AM/PM follows.
class Tokenizer {
public:
    Tokenizer(std::string_view s, const RegionalSettings& rs, Tokens& tk)
        : m_s(s), m_rs(rs), m_tk(tk), m_dotIsDateSeparator(!rs.dateSeparator.empty() && rs.dateSeparator[0] == '.')
    {
    }

    bool run()
    {
        while (m_i < m_s.size()) {
            if (!readNext())
                return false;
        }
        return m_tk.count > 0;
    }

private:
    bool readNext()
    {
        const char c = m_s[m_i];
        if (isDigit(c))
            return readDigits();
        if (const std::size_t blank = blankAt(m_s, m_i)) {
            m_i += blank;
            return true;
        }
        if (isWordByte(c))
            return readWord();
        return readSeparator(c);
    }

    Token* newToken()
    {
        if (m_tk.count == kMaxTokens)
            return nullptr;
        return &m_tk.t[static_cast<std::size_t>(m_tk.count++)];
    }

    // A number; beyond any field's size its value stops growing.
    bool readDigits()
    {
        Token* t = newToken();
        if (t == nullptr)
            return false;
        for (; m_i < m_s.size() && isDigit(m_s[m_i]); ++m_i) {
            if (t->value < kTooLarge)
                t->value = t->value * 10 + static_cast<std::uint32_t>(m_s[m_i] - '0');
            ++t->digits;
        }
        return true;
    }

    // A comma, a time separator or a date separator (at most two of these);
    // none ends the text, and the last two follow a number.
    bool readSeparator(char c)
    {
        const bool last = m_i + 1 == m_s.size();
        ++m_i;
        if (c == ',')
            return !last;
        if (c == ':' || c == '.') {
            const Sep sep = c == '.' && m_dotIsDateSeparator ? Sep::Date : Sep::Time;
            if (sep == Sep::Date && !countDateSeparator())
                return false;
            return !last && markSeparator(m_tk, sep, c == '.');
        }
        if (c == '-' || c == '/')
            return countDateSeparator() && !last && markSeparator(m_tk, Sep::Date, false);
        return false;
    }

    bool countDateSeparator() { return ++m_dateSeparators <= kMaxDateSeparators; }

    // A month name, or the AM/PM designator.
    bool readWord()
    {
        std::size_t end = m_i;
        while (end < m_s.size() && isWordByte(m_s[end]) && blankAt(m_s, end) == 0)
            ++end;
        const std::string_view word = m_s.substr(m_i, end - m_i);
        m_i = end;
        if (const int month = monthOfWord(word, m_rs)) {
            Token* t = newToken();
            if (t == nullptr)
                return false;
            t->value = static_cast<std::uint32_t>(month);
            t->month = true;
            return true;
        }
        return markAmPm(word);
    }

    // The designator (or a lone "a" or "p") follows a number and comes only once.
    bool markAmPm(std::string_view word)
    {
        const bool am = foldEquals(word, m_rs.amDesignator) || foldEquals(word, "a");
        const bool pm = !am && (foldEquals(word, m_rs.pmDesignator) || foldEquals(word, "p"));
        if (!am && !pm)
            return false;
        if (m_tk.count == 0 || m_tk.ampmToken >= 0 || m_tk.t[static_cast<std::size_t>(m_tk.count - 1)].month)
            return false;
        m_tk.ampmToken = m_tk.count - 1;
        m_tk.pm = pm;
        return true;
    }

    std::string_view m_s;
    const RegionalSettings& m_rs;
    Tokens& m_tk;
    const bool m_dotIsDateSeparator;
    std::size_t m_i = 0;
    int m_dateSeparators = 0;
};

bool tokenize(std::string_view s, const RegionalSettings& rs, Tokens& tk)
{
    return Tokenizer(s, rs, tk).run();
}

// Two-digit years: 00-49 are 2000-2049, 50-99 are 1950-1999.
std::optional<int> yearOf(std::uint32_t v)
{
    if (v < 50)
        return 2000 + static_cast<int>(v);
    if (v < 100)
        return 1900 + static_cast<int>(v);
    if (v <= static_cast<std::uint32_t>(cal::kMaxYear))
        return static_cast<int>(v);
    return std::nullopt;
}

bool isMonth(std::uint32_t v)
{
    return v >= 1 && v <= 12;
}

bool isDayOf(std::uint32_t day, int year, std::uint32_t month)
{
    return isMonth(month) && day >= 1 && day <= static_cast<std::uint32_t>(cal::daysInMonth(year, static_cast<int>(month)));
}

struct Ymd {
    int year;
    int month;
    int day;
};

std::optional<Ymd> fromFields(std::uint32_t y, std::uint32_t m, std::uint32_t d)
{
    const auto year = yearOf(y);
    if (!year || !isDayOf(d, *year, m))
        return std::nullopt;
    return Ymd{*year, static_cast<int>(m), static_cast<int>(d)};
}

// Positions of year, month and day among three numbers.
struct Order {
    int y;
    int m;
    int d;
};

constexpr Order kMDY{2, 0, 1};
constexpr Order kDMY{2, 1, 0};
constexpr Order kYMD{0, 1, 2};
constexpr Order kYDM{0, 2, 1};
constexpr Order kMYD{1, 0, 2};
constexpr Order kDYM{1, 2, 0};

// The locale's order first, then the ones compatible with it (Y-M-D with
// either), then any.
std::array<Order, 6> ordersFor(DateOrder order)
{
    switch (order) {
    case DateOrder::DMY:
        return {kDMY, kYMD, kMDY, kYDM, kMYD, kDYM};
    case DateOrder::YMD:
        return {kYMD, kMDY, kDMY, kYDM, kMYD, kDYM};
    case DateOrder::MDY:
        break;
    }
    return {kMDY, kYMD, kDMY, kYDM, kMYD, kDYM};
}

std::optional<Ymd> dateOfTwo(const Token& a, const Token& b, const RegionalSettings& rs, int currentYear)
{
    if (currentYear < cal::kMinYear || currentYear > cal::kMaxYear)
        return std::nullopt;
    if (a.month || b.month) {
        const Token& month = a.month ? a : b;
        const Token& other = a.month ? b : a;
        if (isDayOf(other.value, currentYear, month.value))
            return Ymd{currentYear, static_cast<int>(month.value), static_cast<int>(other.value)};
        if (const auto year = yearOf(other.value))
            return Ymd{*year, static_cast<int>(month.value), 1};
        return std::nullopt;
    }
    // Month and day of the current year, in the locale's order first.
    const bool dayFirst = rs.dateOrder == DateOrder::DMY;
    const Token& m1 = dayFirst ? b : a;
    const Token& d1 = dayFirst ? a : b;
    if (isDayOf(d1.value, currentYear, m1.value))
        return Ymd{currentYear, static_cast<int>(m1.value), static_cast<int>(d1.value)};
    if (isDayOf(m1.value, currentYear, d1.value))
        return Ymd{currentYear, static_cast<int>(d1.value), static_cast<int>(m1.value)};
    // Otherwise a year and a month, the date being the first of that month.
    if (isMonth(b.value)) {
        if (const auto year = yearOf(a.value))
            return Ymd{*year, static_cast<int>(b.value), 1};
    }
    if (isMonth(a.value)) {
        if (const auto year = yearOf(b.value))
            return Ymd{*year, static_cast<int>(a.value), 1};
    }
    return std::nullopt;
}

std::optional<Ymd> dateOfThree(const Token* t[3], const RegionalSettings& rs)
{
    int monthAt = -1;
    for (int i = 0; i < 3; ++i) {
        if (t[i]->month)
            monthAt = i;
    }
    if (monthAt >= 0) {
        // A month name: of the two numbers, the day comes first unless the
        // first one is written as a year or cannot be a day.
        const Token* n[2];
        int k = 0;
        for (int i = 0; i < 3; ++i) {
            if (i != monthAt)
                n[k++] = t[i];
        }
        const std::uint32_t month = t[monthAt]->value;
        if (n[0]->digits < 3) {
            if (auto ymd = fromFields(n[1]->value, month, n[0]->value))
                return ymd;
        }
        return fromFields(n[0]->value, month, n[1]->value);
    }
    const std::uint32_t v[3] = {t[0]->value, t[1]->value, t[2]->value};
    if (t[0]->digits >= 3) {
        // Written as a year first: Y-M-D.
        if (auto ymd = fromFields(v[0], v[1], v[2]))
            return ymd;
    }
    for (const Order& o : ordersFor(rs.dateOrder)) {
        if (auto ymd = fromFields(v[o.y], v[o.m], v[o.d]))
            return ymd;
    }
    return std::nullopt;
}

// Where the time of day lies among the tokens: [begin, end), none when begin < 0.
struct TimeSpan {
    int begin = -1;
    int end = -1;
    bool dotsOnly = true; // joined by '.' only, as a decimal number would be

    int count() const { return begin >= 0 ? end - begin : 0; }
};

// The numbers joined by time separators, or the number before AM/PM; nullopt
// for a second time or a time separator after the last number.
std::optional<TimeSpan> findTime(const Tokens& tk)
{
    TimeSpan span;
    const int n = tk.count;
    for (int i = 0; i < n; ++i) {
        if (tk.t[static_cast<std::size_t>(i)].sep != Sep::Time)
            continue;
        if (span.begin >= 0)
            return std::nullopt; // a second time
        span.begin = i;
        int j = i;
        while (j < n && tk.t[static_cast<std::size_t>(j)].sep == Sep::Time) {
            span.dotsOnly = span.dotsOnly && tk.t[static_cast<std::size_t>(j)].dot;
            ++j;
        }
        if (j >= n)
            return std::nullopt;
        span.end = j + 1;
        i = j;
    }
    if (span.begin < 0 && tk.ampmToken >= 0) {
        span.begin = tk.ampmToken;
        span.end = span.begin + 1;
        span.dotsOnly = false;
    }
    return span;
}

// Hour, minute and second as written: at most three numbers, no month name.
std::optional<std::array<std::uint32_t, 3>> timeFields(const Tokens& tk, const TimeSpan& span)
{
    if (span.count() > 3)
        return std::nullopt;
    std::array<std::uint32_t, 3> hms{0, 0, 0};
    for (int k = 0; k < span.count(); ++k) {
        const Token& t = tk.t[static_cast<std::size_t>(span.begin + k)];
        if (t.month)
            return std::nullopt;
        hms[static_cast<std::size_t>(k)] = t.value;
    }
    return hms;
}

// The seconds since midnight, the hour taken through AM/PM; nullopt for a
// field out of range.
std::optional<std::uint32_t> secondsOfDay(const Tokens& tk, const std::array<std::uint32_t, 3>& hms)
{
    std::uint32_t hour = hms[0];
    if (tk.ampmToken >= 0 && hour <= 12) {
        if (tk.pm && hour < 12)
            hour += 12;
        else if (!tk.pm && hour == 12)
            hour = 0;
    }
    if (hour > 23 || hms[1] > 59 || hms[2] > 59)
        return std::nullopt;
    return hour * 3600 + hms[1] * 60 + hms[2];
}

struct DateTokens {
    const Token* t[kMaxTokens];
    int count = 0;
};

// The tokens outside the time: none, or two or three with at most one month name.
std::optional<DateTokens> dateTokensOf(const Tokens& tk, const TimeSpan& span)
{
    DateTokens date;
    int months = 0;
    for (int i = 0; i < tk.count; ++i) {
        if (i >= span.begin && i < span.end)
            continue;
        const Token& t = tk.t[static_cast<std::size_t>(i)];
        date.t[date.count++] = &t;
        months += t.month ? 1 : 0;
    }
    if (months > 1 || date.count == 1 || date.count > 3)
        return std::nullopt;
    return date;
}

std::optional<DateValue> readDate(std::string_view text, const RegionalSettings& rs, int currentYear,
                                  bool* holdsTime = nullptr)
{
    Tokens tk;
    if (!tokenize(text, rs, tk))
        return std::nullopt;
    const auto span = findTime(tk);
    if (!span)
        return std::nullopt;
    const auto hms = timeFields(tk, *span);
    if (!hms)
        return std::nullopt;
    auto date = dateTokensOf(tk, *span);
    if (!date)
        return std::nullopt;
    const auto seconds = secondsOfDay(tk, *hms);
    if (!seconds)
        return std::nullopt;
    // A plain decimal zero ("0.0") is a number, not midnight.
    if (date->count == 0 && span->dotsOnly && *seconds == 0)
        return std::nullopt;
    const double time = *seconds / 86400.0;
    if (holdsTime != nullptr)
        *holdsTime = span->count() > 0;

    if (date->count == 0)
        return time;
    const std::optional<Ymd> ymd =
        date->count == 2 ? dateOfTwo(*date->t[0], *date->t[1], rs, currentYear) : dateOfThree(date->t, rs);
    if (!ymd)
        return std::nullopt;
    return cal::compose(cal::serialDay(ymd->year, ymd->month, ymd->day), time);
}

// ---- writing --------------------------------------------------------------

void appendNumber(std::string& out, long long v, int minDigits)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (int len = static_cast<int>(r.ptr - buf); len < minDigits; ++len)
        out += '0';
    out.append(buf, r.ptr);
}

// First character (UTF-8 sequence) of a text.
std::string_view firstCharacter(std::string_view s)
{
    if (s.empty())
        return s;
    std::size_t len = 1;
    while (len < s.size() && (static_cast<unsigned char>(s[len]) & 0xC0) == 0x80)
        ++len;
    return s.substr(0, len);
}

// The text between quotes, a doubled quote standing for one; returns where the
// pattern goes on after the closing quote.
std::size_t appendQuoted(std::string& out, std::string_view pattern, std::size_t open)
{
    std::size_t end = open + 1;
    while (end < pattern.size()) {
        if (pattern[end] == '\'') {
            if (end + 1 < pattern.size() && pattern[end + 1] == '\'') {
                out += '\'';
                end += 2;
                continue;
            }
            break;
        }
        out += pattern[end++];
    }
    return end + 1;
}

// One letter a number as it is ("d" 5), two letters it with two digits ("dd" 05).
int digitsOf(std::size_t run)
{
    return run >= 2 ? 2 : 1;
}

// M and MM the number, MMM the abbreviation, MMMM the name.
void appendMonth(std::string& out, const CivilDateTime& c, std::size_t run, const RegionalSettings& rs)
{
    const auto month = static_cast<std::size_t>(c.month - 1);
    if (run >= 4)
        out += rs.monthNames[month];
    else if (run == 3)
        out += rs.monthAbbreviations[month];
    else
        appendNumber(out, c.month, digitsOf(run));
}

// y and yy the last two digits, yyy and more the whole year.
void appendYear(std::string& out, const CivilDateTime& c, std::size_t run)
{
    if (run >= 3)
        appendNumber(out, c.year, 1);
    else
        appendNumber(out, c.year % 100, digitsOf(run));
}

// t the first character of the AM/PM designator, tt the whole of it.
void appendDesignator(std::string& out, const CivilDateTime& c, std::size_t run, const RegionalSettings& rs)
{
    const std::string& designator = c.hour < 12 ? rs.amDesignator : rs.pmDesignator;
    out += run >= 2 ? std::string_view(designator) : firstCharacter(designator);
}

// One run of a pattern letter ("dd", "MMMM", "tt"); any other character stands
// for itself.
void appendField(std::string& out, const CivilDateTime& c, char letter, std::size_t run, const RegionalSettings& rs)
{
    const int width = digitsOf(run);
    switch (letter) {
    case 'd':
        appendNumber(out, c.day, width);
        break;
    case 'M':
        appendMonth(out, c, run, rs);
        break;
    case 'y':
        appendYear(out, c, run);
        break;
    case 'h':
        appendNumber(out, c.hour % 12 == 0 ? 12 : c.hour % 12, width);
        break;
    case 'H':
        appendNumber(out, c.hour, width);
        break;
    case 'm':
        appendNumber(out, c.minute, width);
        break;
    case 's':
        appendNumber(out, c.second, width);
        break;
    case 't':
        appendDesignator(out, c, run, rs);
        break;
    case 'g':
        break; // no era
    default:
        out.append(run, letter);
        break;
    }
}

// Applies a Windows-style date/time pattern (d dd M MM MMM MMMM y yy yyyy h hh
// H HH m mm s ss t tt, 'quoted' text) to a calendar date and time.
void appendPattern(std::string& out, const CivilDateTime& c, std::string_view pattern, const RegionalSettings& rs)
{
    std::size_t i = 0;
    while (i < pattern.size()) {
        if (pattern[i] == '\'') {
            i = appendQuoted(out, pattern, i);
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == pattern[i])
            ++run;
        appendField(out, c, pattern[i], run, rs);
        i += run;
    }
}

bool isZeroDate(const CivilDateTime& c)
{
    return c.year == 1899 && c.month == 12 && c.day == 30;
}

} // namespace

DateValue parseDate(std::string_view text, const RegionalSettings& rs, int currentYear)
{
    if (const auto v = readDate(text, rs, currentYear))
        return *v;
    throw Failure::typeMismatch();
}

std::optional<DateValue> tryParseDate(std::string_view text, const RegionalSettings& rs, int currentYear)
{
    return readDate(text, rs, currentYear);
}

bool isDate(std::string_view text, const RegionalSettings& rs, int currentYear)
{
    return readDate(text, rs, currentYear).has_value();
}

bool isTime(std::string_view text, const RegionalSettings& rs, int currentYear)
{
    const auto v = readDate(text, rs, currentYear);
    return v && datePart(*v) == 0.0;
}

bool holdsTimeOfDay(std::string_view text, const RegionalSettings& rs, int currentYear)
{
    bool holdsTime = false;
    return readDate(text, rs, currentYear, &holdsTime).has_value() && holdsTime;
}

std::string formatShortDate(DateValue v, const RegionalSettings& rs)
{
    std::string out;
    appendPattern(out, toCivil(v), rs.shortDatePattern, rs);
    return out;
}

std::string formatLongTime(DateValue v, const RegionalSettings& rs)
{
    std::string out;
    appendPattern(out, toCivil(v), rs.longTimePattern, rs);
    return out;
}

std::string formatGeneralDate(DateValue v, const RegionalSettings& rs)
{
    const CivilDateTime c = toCivil(v);
    std::string out;
    if (isZeroDate(c)) {
        appendPattern(out, c, rs.longTimePattern, rs);
        return out;
    }
    appendPattern(out, c, rs.shortDatePattern, rs);
    if (c.hour != 0 || c.minute != 0 || c.second != 0) {
        out += ' ';
        appendPattern(out, c, rs.longTimePattern, rs);
    }
    return out;
}

std::string formatTextLongTime(std::string_view text, const RegionalSettings& rs, int currentYear)
{
    if (const auto v = readDate(text, rs, currentYear))
        return formatLongTime(*v, rs);
    return std::string(text);
}

std::string formatIsoDate(DateValue v)
{
    const CivilDateTime c = toCivil(v);
    std::string out;
    out.reserve(10);
    appendNumber(out, c.year, 4);
    out += '-';
    appendNumber(out, c.month, 2);
    out += '-';
    appendNumber(out, c.day, 2);
    return out;
}

std::string formatHms(DateValue v)
{
    const CivilDateTime c = toCivil(v);
    std::string out;
    out.reserve(8);
    appendNumber(out, c.hour, 2);
    out += ':';
    appendNumber(out, c.minute, 2);
    out += ':';
    appendNumber(out, c.second, 2);
    return out;
}

std::string formatHm(DateValue v)
{
    const CivilDateTime c = toCivil(v);
    std::string out;
    out.reserve(5);
    appendNumber(out, c.hour, 2);
    out += ':';
    appendNumber(out, c.minute, 2);
    return out;
}

} // namespace ob::regional
