#pragma once
// The text operations of IniFile on a file's bytes as the peer keeps them:
// in its code page, or as UTF-16LE after a byte-order mark (Windows' profile
// functions read and write such a file as UTF-16, so it stays UTF-16). Names
// and values go in and come out as UTF-8; every other byte of the file is kept.

#include "platform/text/CodePage.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ob::ini {

// Whether the bytes are UTF-16LE with a byte-order mark.
bool isUtf16(const std::string& file);

std::optional<std::string> lookupText(const std::string& file, const std::string& section, const std::string& key,
                                      const text::CodePage& codePage = text::CodePage::peer());
std::string assignText(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value, const text::CodePage& codePage = text::CodePage::peer());
// Whether the file has a section of that name (header present, keys or not).
bool hasSectionText(const std::string& file, const std::string& section,
                    const text::CodePage& codePage = text::CodePage::peer());
// The names of the file's section headers in file order, upper-cased (as
// compared: names match whatever their letter case).
std::vector<std::string> sectionNamesText(const std::string& file);
std::vector<std::pair<std::string, std::string>> sectionEntriesText(
    const std::string& file, const std::string& section, const text::CodePage& codePage = text::CodePage::peer());

} // namespace ob::ini
