// The INI text component: any file content, one key changed, read again.
// Nothing may crash; the key reads back the value written; every
// other line of the file stays byte for byte; every other section reads as before.
//
// Input: a byte choosing the section, a byte choosing the key, the value up to
// a NUL byte, then the file content.

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/Failure.h"
#include "platform/ini/IniFile.h"

namespace {

using namespace ob;

// Names as the program uses them (it never writes any other kind), with a
// few that collide with content the fuzzer may invent.
constexpr std::array<const char*, 10> kNames{"General", "Action", "Busy",        "Error", "Mapping",
                                             "OBLogin", "x",      "CurrentAsset", "A1",    "FullResults"};

std::string name(std::uint8_t choice)
{
    std::string n = kNames[choice % kNames.size()];
    if (choice & 0x80) // the same name in another letter case must match
        std::transform(n.begin(), n.end(), n.begin(), [](char c) {
            const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            return letter ? static_cast<char>(c ^ 0x20) : c;
        });
    return n;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

// Raw lines with their line breaks (CR LF, LF or CR), written independently
// of the component so that the two can disagree.
std::vector<std::string> rawLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos) {
            end = text.size();
        } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            end += 2;
        } else {
            end += 1;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return lines;
}

// A value as the component writes it: each CR LF, CR or LF one space.
std::string flattened(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            out += ' ';
        } else {
            out += value[i];
        }
    }
    return out;
}

std::string withoutBreak(const std::string& line)
{
    return line.substr(0, line.find_first_of("\r\n"));
}

// Every section header name of the content.
std::vector<std::string> sectionNames(const std::string& text)
{
    std::vector<std::string> names;
    for (const auto& line : rawLines(text)) {
        const auto body = withoutBreak(line);
        const auto first = body.find_first_not_of(" \t\v");
        if (first == std::string::npos || body[first] != '[')
            continue;
        auto close = body.find(']', first);
        std::string n = body.substr(first + 1, close == std::string::npos ? std::string::npos : close - first - 1);
        const auto b = n.find_first_not_of(" \t");
        const auto e = n.find_last_not_of(" \t");
        names.push_back(b == std::string::npos ? std::string() : n.substr(b, e - b + 1));
    }
    return names;
}

void exerciseValueReaders(const std::string& value)
{
    (void)ini::toBoolean(value);
    try {
        (void)ini::toInteger(value);
    } catch (const Failure& f) {
        OB_FUZZ_CHECK(f.number() == 6);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput in(data, size);
    const std::string section = name(in.byte());
    const std::string key = name(in.byte());
    const std::string value = in.text('\0');
    const std::string content = in.rest();

    // Parse.
    const auto before = ini::lookup(content, section, key);
    const auto entriesBefore = ini::sectionEntries(content, section);
    for (const auto& [k, v] : entriesBefore)
        exerciseValueReaders(v);

    // Change the key.
    const std::string after = ini::assign(content, section, key, value);

    // Re-parse: the key reads back the value written, line breaks as spaces.
    const auto reread = ini::lookup(after, section, key);
    OB_FUZZ_CHECK(reread.has_value());
    OB_FUZZ_CHECK(*reread == flattened(value));

    // A second write of the same value changes nothing.
    OB_FUZZ_CHECK(ini::assign(after, section, key, value) == after);

    // The other keys of the section keep their values and order; the changed
    // key's entry is replaced in place or added after the section's entries.
    const auto entriesAfter = ini::sectionEntries(after, section);
    if (before) {
        OB_FUZZ_CHECK(entriesAfter.size() == entriesBefore.size());
        bool replaced = false;
        for (std::size_t i = 0; i < entriesBefore.size(); ++i) {
            if (!replaced && sameName(entriesBefore[i].first, key)) {
                replaced = true;
                OB_FUZZ_CHECK(entriesAfter[i].first == entriesBefore[i].first);
                OB_FUZZ_CHECK(entriesAfter[i].second == *reread);
            } else {
                OB_FUZZ_CHECK(entriesAfter[i] == entriesBefore[i]);
            }
        }
    } else {
        OB_FUZZ_CHECK(entriesAfter.size() == entriesBefore.size() + 1);
        OB_FUZZ_CHECK(std::equal(entriesBefore.begin(), entriesBefore.end(), entriesAfter.begin()));
        OB_FUZZ_CHECK(entriesAfter.back().second == *reread);
    }

    // Every other section reads as before.
    for (const auto& other : sectionNames(content)) {
        if (!sameName(other, section))
            OB_FUZZ_CHECK(ini::sectionEntries(after, other) == ini::sectionEntries(content, other));
    }

    // Line by line: at most one old line goes (the changed entry, or a last
    // line that gains its line break) and at most three new ones come.
    const auto oldLines = rawLines(content);
    const auto newLines = rawLines(after);
    std::size_t head = 0;
    while (head < oldLines.size() && head < newLines.size() && oldLines[head] == newLines[head])
        ++head;
    std::size_t tail = 0;
    while (tail < oldLines.size() - head && tail < newLines.size() - head &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail])
        ++tail;
    const std::size_t removed = oldLines.size() - head - tail;
    const std::size_t added = newLines.size() - head - tail;
    OB_FUZZ_CHECK(removed <= 1);
    OB_FUZZ_CHECK(added <= 3);
    if (removed == 1) {
        OB_FUZZ_CHECK(added >= 1);
        const std::string& gone = oldLines[head];
        const bool sameTextNewBreak = withoutBreak(gone) == gone && withoutBreak(newLines[head]) == gone;
        const bool wasTheEntry = before.has_value();
        OB_FUZZ_CHECK(sameTextNewBreak || wasTheEntry);
    }
    return 0;
}
