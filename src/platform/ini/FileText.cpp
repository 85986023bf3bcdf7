#include "platform/ini/FileText.h"

#include "platform/ini/IniFile.h"

namespace ob::ini {

namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";

std::string fromUtf16(const std::string& file)
{
    return text::utf16leToUtf8(std::string_view(file).substr(kUtf16Mark.size()));
}

std::string toUtf16(const std::string& text)
{
    return std::string(kUtf16Mark) + text::utf8ToUtf16le(text);
}

// A name is looked for in the code page and, failing that, as UTF-8, which
// our own tools and hand edits may have written. Names in ASCII are the same
// in both.
struct Names {
    Names(const std::string& section, const std::string& key, const text::CodePage& codePage)
        : section(codePage.encode(section)), key(codePage.encode(key)), utf8Section(section), utf8Key(key)
    {
    }
    bool differ() const { return section != utf8Section || key != utf8Key; }

    std::string section, key, utf8Section, utf8Key;
};

} // namespace

bool isUtf16(const std::string& file)
{
    return file.compare(0, kUtf16Mark.size(), kUtf16Mark) == 0;
}

std::optional<std::string> lookupText(const std::string& file, const std::string& section, const std::string& key,
                                      const text::CodePage& codePage)
{
    if (isUtf16(file))
        return lookup(fromUtf16(file), section, key);
    const Names names(section, key, codePage);
    auto value = lookup(file, names.section, names.key);
    if (!value && names.differ())
        value = lookup(file, names.utf8Section, names.utf8Key);
    if (value)
        value = codePage.decode(*value);
    return value;
}

std::string assignText(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value, const text::CodePage& codePage)
{
    if (isUtf16(file))
        return toUtf16(assign(fromUtf16(file), section, key, value));
    const Names names(section, key, codePage);
    const bool utf8Spelling = names.differ() && !lookup(file, names.section, names.key) &&
                              lookup(file, names.utf8Section, names.utf8Key);
    return utf8Spelling ? assign(file, names.utf8Section, names.utf8Key, codePage.encode(value))
                        : assign(file, names.section, names.key, codePage.encode(value));
}

bool hasSectionText(const std::string& file, const std::string& section, const text::CodePage& codePage)
{
    if (isUtf16(file))
        return hasSection(fromUtf16(file), section);
    const Names names(section, {}, codePage);
    return hasSection(file, names.section) || (names.differ() && hasSection(file, names.utf8Section));
}

std::vector<std::string> sectionNamesText(const std::string& file)
{
    return sectionNames(isUtf16(file) ? fromUtf16(file) : file);
}

std::vector<std::pair<std::string, std::string>> sectionEntriesText(const std::string& file,
                                                                    const std::string& section,
                                                                    const text::CodePage& codePage)
{
    if (isUtf16(file))
        return sectionEntries(fromUtf16(file), section);
    const Names names(section, {}, codePage);
    auto entries = sectionEntries(file, names.section);
    if (entries.empty() && names.differ())
        entries = sectionEntries(file, names.utf8Section);
    for (auto& [name, value] : entries) {
        name = codePage.decode(name);
        value = codePage.decode(value);
    }
    return entries;
}

} // namespace ob::ini
