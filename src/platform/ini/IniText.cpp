// The text side of the INI component: how a file's bytes are read as
// sections and keys, and how one key is changed without touching any other
// byte. Reading follows Windows' private-profile rules so that both programs
// sharing the exchange file see the same values.

#include "platform/Failure.h"
#include "platform/Text.h"
#include "platform/ini/IniFile.h"

#include <algorithm>
#include <string_view>

namespace ob::ini {

namespace {

constexpr std::string_view kLineBlanks = " \t\v";
constexpr std::string_view kNameBlanks = " \t";
constexpr std::string_view kNewLine = "\r\n";

std::string_view trim(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b)
{
    return text::iequals(a, b);
}

// Windows strips only spaces (not tabs) from the section and key it is asked for.
std::string_view argumentName(std::string_view name)
{
    return trim(name, " ");
}

// A line break inside a name or value would split its line; each becomes one space.
std::string flattened(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string_view unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A value that reading would change (blanks at either end, or one pair of
// matching outer quotes) is written inside one more pair of double quotes,
// which reading takes off again. So a written value always reads back
// identical, here and through Windows' own reader on the other side: without
// this a description 'A' from the database would reach PYRALIS II as A.
std::string protectedValue(std::string text)
{
    if (unquoted(trim(text, kLineBlanks)) == text)
        return text;
    return "\"" + text + "\"";
}

enum class Kind { Blank, Comment, Header, Entry, Other };

struct Line {
    std::size_t begin = 0; // first byte of the line
    std::size_t end = 0;   // first byte of its line break (or the end of the file)
    std::size_t next = 0;  // first byte of the following line
    Kind kind = Kind::Blank;
    std::string_view name;  // section name of a header, key name of an entry
    std::string_view value; // entry value, blanks and quotes removed
};

// Walks the lines of a file; CR LF, LF and CR all end a line.
class Lines {
public:
    explicit Lines(std::string_view content) : m_text(content) {}

    bool next(Line& line)
    {
        if (m_pos >= m_text.size())
            return false;
        line.begin = m_pos;
        const auto brk = m_text.find_first_of(kNewLine, m_pos);
        if (brk == std::string_view::npos) {
            line.end = line.next = m_text.size();
        } else {
            line.end = brk;
            line.next = (m_text[brk] == '\r' && brk + 1 < m_text.size() && m_text[brk + 1] == '\n') ? brk + 2 : brk + 1;
        }
        m_pos = line.next;
        classify(line);
        return true;
    }

private:
    void classify(Line& line) const
    {
        const auto text = trim(m_text.substr(line.begin, line.end - line.begin), kLineBlanks);
        line.name = {};
        line.value = {};
        if (text.empty()) {
            line.kind = Kind::Blank;
        } else if (text.front() == ';') {
            line.kind = Kind::Comment;
        } else if (text.front() == '[') {
            // The name runs to the first ']'; a header without one still counts.
            line.kind = Kind::Header;
            const auto close = text.find(']');
            line.name = trim(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1),
                             kNameBlanks);
        } else if (const auto eq = text.find('='); eq != std::string_view::npos) {
            line.kind = Kind::Entry;
            line.name = trim(text.substr(0, eq), kNameBlanks);
            line.value = unquoted(trim(text.substr(eq + 1), kLineBlanks));
        } else {
            line.kind = Kind::Other;
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

// Calls visit(line) for each line of the first section named `section`
// (header excluded); stops early when visit returns false. Returns whether
// the section exists, and its header line through `header`.
template <typename Visit>
bool walkSection(std::string_view content, std::string_view section, Line& header, Visit visit)
{
    Lines lines(content);
    Line line;
    bool inside = false;
    while (lines.next(line)) {
        if (line.kind == Kind::Header) {
            // Later sections of the same name are invisible, as on Windows.
            if (inside)
                return true;
            if (sameName(line.name, section)) {
                inside = true;
                header = line;
            }
            continue;
        }
        if (inside && !visit(line))
            return true;
    }
    return inside;
}

} // namespace

std::optional<std::string> lookup(const std::string& content, const std::string& section, const std::string& key)
{
    const auto wanted = argumentName(key);
    std::optional<std::string> result;
    Line header;
    walkSection(content, argumentName(section), header, [&](const Line& line) {
        if (line.kind == Kind::Entry && sameName(line.name, wanted)) {
            result = std::string(line.value);
            return false;
        }
        return true;
    });
    return result;
}

std::string assign(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& value)
{
    const auto sectionName = flattened(argumentName(section));
    const auto keyName = flattened(argumentName(key));
    const auto text = protectedValue(flattened(value));

    std::optional<Line> match;
    Line header;
    Line last; // the section's last line that is neither blank nor a comment
    bool haveLast = false;
    const bool found = walkSection(content, sectionName, header, [&](const Line& line) {
        if (line.kind == Kind::Entry && sameName(line.name, keyName)) {
            match = line;
            return false;
        }
        if (line.kind == Kind::Entry || line.kind == Kind::Other) {
            last = line;
            haveLast = true;
        }
        return true;
    });

    if (match) {
        // Replace the whole line in place, keeping the key's spelling and the line break.
        std::string out;
        out.reserve(content.size() + text.size());
        out.append(content, 0, match->begin);
        out.append(match->name).append("=").append(text);
        out.append(content, match->end);
        return out;
    }

    const std::string entry = keyName + "=" + text + "\r\n";
    if (found) {
        // After the section's last key, before trailing blank lines and comments.
        const Line& after = haveLast ? last : header;
        std::string out;
        out.reserve(content.size() + entry.size() + 2);
        out.append(content, 0, after.next);
        if (after.next == after.end)
            out += kNewLine;
        out += entry;
        out.append(content, after.next);
        return out;
    }

    std::string out = content;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r')
        out += kNewLine;
    out.append("[").append(sectionName).append("]\r\n").append(entry);
    return out;
}

bool hasSection(const std::string& content, const std::string& section)
{
    Line header;
    return walkSection(content, argumentName(section), header, [](const Line&) { return false; });
}

std::vector<std::string> sectionNames(const std::string& content)
{
    std::vector<std::string> names;
    Lines lines(content);
    Line line;
    while (lines.next(line)) {
        if (line.kind == Kind::Header)
            names.push_back(ob::text::upper(line.name));
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> sectionEntries(const std::string& content,
                                                                const std::string& section)
{
    std::vector<std::pair<std::string, std::string>> entries;
    Line header;
    walkSection(content, argumentName(section), header, [&](const Line& line) {
        if (line.kind == Kind::Entry)
            entries.emplace_back(std::string(line.name), std::string(line.value));
        return true;
    });
    return entries;
}

bool toBoolean(const std::string& value)
{
    const auto text = trim(value, kLineBlanks);
    for (const char* word : {"true", "yes", "on"}) {
        if (sameName(text, word))
            return true;
    }
    for (const char* word : {"false", "no", "off"}) {
        if (sameName(text, word))
            return false;
    }
    // A number: optional sign, digits, optional decimal part; true when not zero.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digits = false;
    bool nonZero = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            nonZero = nonZero || c != '0';
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits && nonZero;
}

std::int16_t toInteger(const std::string& value)
{
    const auto text = trim(value, kLineBlanks);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        switch (ob::text::lower(text[i + 1])) {
        case 'x': base = 16; break;
        case 'o': base = 8; break;
        case 'b': base = 2; break;
        default: break;
        }
        if (base != 10)
            i += 2;
    }
    // Digits up to the first other character; the magnitude is capped, which
    // is enough to tell an overflow.
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = ob::text::lower(text[i]);
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            break;
        if (digit >= base)
            break;
        magnitude = std::min<std::int64_t>(magnitude * base + digit, 1'000'000);
    }
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result < INT16_MIN || result > INT16_MAX)
        throw Failure::overflow();
    return static_cast<std::int16_t>(result);
}

} // namespace ob::ini
