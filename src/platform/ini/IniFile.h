#pragma once
// IniFile: reads and writes one INI file the way Windows' private-profile API
// does, and shares it safely with another process that writes the same file.
//
// Reads go to the file every time. Writes take an exclusive lock, re-read the
// file, change the one line and replace the file atomically, so no reader sees
// a half-written file and writers that take the lock never lose each other's
// keys; a peer writing without it loses a key only when its write falls
// between the last check and the rename.
//
// Names and values are UTF-8; the file holds them in the peer's code page, or
// in UTF-16LE when it starts with that byte-order mark (see FileText.h). Reading drops blanks (space, tab,
// VT) around a value and one pair of matching outer quotes ("x" or 'x'), as
// Windows does; a value written that reading would change is therefore written
// inside one more pair of double quotes, so it reads back identical. A line break inside a value
// would end its line and corrupt the file, so each CR LF, CR or LF in a written
// value (or name) is written as one space. A missing file reads as empty; the
// first write creates it.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ob {

class IniFile {
public:
    // FilePath is set once, before any other call.
    void setFilePath(std::string path) { m_path = std::move(path); }
    const std::string& FilePath() const { return m_path; }

    // Section stays in force until set again; reads and writes name only the key.
    void setSection(std::string section) { m_section = std::move(section); }
    const std::string& Section() const { return m_section; }

    // A section the file always holds from now on. A peer that rewrites the
    // file in place (truncate, then write) leaves it empty for a moment; a
    // snapshot without this section is such a moment and is read again, so
    // neither a read nor a write ever works on it. Unset: any snapshot counts.
    void setRequiredSection(std::string section) { m_required = std::move(section); }

    // Missing key: found false and the empty value of the type (False, 0, "").
    // Booleans read True/False, Yes/No, On/Off in any case, or a number
    // (non-zero is true). Integers outside 16 bits: Failure 6 Overflow.
    void ReadBoolean(const std::string& key, bool& value, bool& found) const;
    void ReadInteger(const std::string& key, std::int16_t& value, bool& found) const;
    void ReadString(const std::string& key, std::string& value, bool& found) const;

    // Create the key (and section) when missing, replace the value otherwise.
    void WriteBoolean(const std::string& key, bool value);
    void WriteInteger(const std::string& key, std::int16_t value, const std::string& unused = {});
    void WriteLong(const std::string& key, std::int32_t value, const std::string& unused = {});
    void WriteString(const std::string& key, const std::string& value);

    // Keys of one section, collected in order and written by WriteKeys in one
    // replacement of the file: the file ends as after the same writes one by
    // one, but a peer's write is exposed to one replacement instead of many.
    class KeyBatch {
    public:
        void WriteBoolean(const std::string& key, bool value);
        void WriteInteger(const std::string& key, std::int16_t value, const std::string& unused = {});
        void WriteLong(const std::string& key, std::int32_t value, const std::string& unused = {});
        void WriteString(const std::string& key, const std::string& value);

    private:
        friend class IniFile;
        std::vector<std::pair<std::string, std::string>> m_keys;
    };
    // Writes the batch into the current Section.
    void WriteKeys(const KeyBatch& keys);

    // Section-explicit forms, for code that addresses several sections.
    std::optional<std::string> read(const std::string& section, const std::string& key) const;
    void write(const std::string& section, const std::string& key, const std::string& value);

    // Every key line of the section in file order (duplicates included), values as read.
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;

private:
    void writeKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& keys);
    std::string content() const;

    std::string m_path;
    std::string m_section;
    std::string m_required;
};

// Pure text operations behind IniFile, exposed for tests and fuzzing.
namespace ini {
// The value of key in section, as Windows reads it; nullopt when absent.
std::optional<std::string> lookup(const std::string& content, const std::string& section, const std::string& key);
// The content with key set to value: the key's line replaced in place (its
// name's casing kept), or added after the section's last key, or the section
// added at the end. Every other byte is kept.
std::string assign(const std::string& content, const std::string& section, const std::string& key,
                   const std::string& value);
// Whether the content has a section of that name (with or without keys).
bool hasSection(const std::string& content, const std::string& section);
// Every key line of the first section of that name, in file order, values as read.
std::vector<std::pair<std::string, std::string>> sectionEntries(const std::string& content,
                                                                const std::string& section);
// A value read as a Boolean: True/Yes/On and False/No/Off in any case, or a
// number (non-zero is true); any other text is false.
bool toBoolean(const std::string& value);
// A value read as GetPrivateProfileInt reads it (sign, 0x/0o/0b prefix, digits
// up to the first other character, none gives 0). Outside 16 bits: Failure 6.
std::int16_t toInteger(const std::string& value);
} // namespace ini

} // namespace ob
