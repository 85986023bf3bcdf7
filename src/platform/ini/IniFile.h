#pragma once
// IniFile: reads and writes one INI file the way Windows' private-profile API
// does, and shares it safely with another process that writes the same file.
//
// Reads go to the file every time, and take only a whole snapshot of it (see
// setRequiredSection). Writes take the file's write lock, re-read the file,
// change the one line and replace the file atomically where the folder
// allows it, in place where it does not (SharedFile.h), so writers that take
// the lock never lose each other's keys; a peer writing without it loses a key
// only when its write falls between the last check and the replacement.
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
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ini/SharedFile.h"

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
    // file in place (truncate, then write a section at a time) leaves it
    // empty or cut short for a moment; from now on a snapshot counts only
    // when it has this section and, if it lacks sections the last whole
    // snapshot had or its last line is unfinished, a second look after a
    // quiet time finds it unchanged. Neither a read nor a write ever works on
    // another.
    // Unset: any snapshot counts.
    void setRequiredSection(std::string section) { m_required = std::move(section); }

    // Called once, the first time a write had to rewrite the file in place
    // rather than replace it, with the reason (for the log).
    void setInPlaceNotice(std::function<void(const std::string&)> notice) { m_notice = std::move(notice); }

    // Missing key: found false and the empty value of the type (False, 0, "").
    // Booleans read True/False, Yes/No, On/Off in any case, or a number
    // (non-zero is true). Integers outside 16 bits: Failure 6 Overflow.
    void ReadBoolean(const std::string& key, bool& value, bool& found) const;
    void ReadInteger(const std::string& key, std::int16_t& value, bool& found) const;
    void ReadString(const std::string& key, std::string& value, bool& found) const;

    // Create the key (and section) when missing, replace the value otherwise.
    void WriteBoolean(const std::string& key, bool value);
    void WriteInteger(const std::string& key, std::int16_t value);
    void WriteLong(const std::string& key, std::int32_t value);
    void WriteString(const std::string& key, const std::string& value);

    // Keys of one section, collected in order and written by WriteKeys in one
    // replacement of the file: the file ends as after the same writes one by
    // one, but a peer's write is exposed to one replacement instead of many.
    class KeyBatch {
    public:
        void WriteBoolean(const std::string& key, bool value);
        void WriteInteger(const std::string& key, std::int16_t value);
        void WriteLong(const std::string& key, std::int32_t value);
        void WriteString(const std::string& key, const std::string& value);
        // The keys and their values as text, in the order written.
        const std::vector<std::pair<std::string, std::string>>& entries() const { return m_keys; }

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

    // The file's bytes as one whole snapshot; read keys from it with
    // ini::lookupText.
    std::string snapshot() const;
    // Replaces the file's bytes with change(bytes) in one locked write and
    // returns what the file now holds; change() may run more than once and
    // only sees whole snapshots.
    std::string update(const std::function<std::string(const std::string&)>& change);

private:
    void writeKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& keys);
    ini::Look judge(const std::string& content) const;
    ini::WholeTest wholeTest() const;
    void remember(const std::string& content) const;

    std::string m_path;
    std::string m_section;
    std::string m_required;
    // The sections of the last whole snapshot (upper-cased): one that lacks
    // some of them may be cut short.
    mutable std::vector<std::string> m_known;
    std::function<void(const std::string&)> m_notice;
    bool m_noticed = false;
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
// The section headers' names in file order, upper-cased.
std::vector<std::string> sectionNames(const std::string& content);
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
