#pragma once
// ExchangeFile: OB32PYII.INI, shared with PYRALIS II. Each read or write
// names its section and key; every value passes as text in the profile
// functions' forms.

#include <cstdint>
#include <string>

#include "platform/ini/IniFile.h"

namespace ob {

class ExchangeFile {
public:
    void setFilePath(const std::string& path) { m_ini.setFilePath(path); }
    const std::string& FilePath() const { return m_ini.FilePath(); }
    // From then on a snapshot without this section was taken while the peer
    // rewrote the file in place, and is read again.
    void setRequiredSection(const std::string& section) { m_ini.setRequiredSection(section); }

    std::string readText(const char* section, const std::string& key, const std::string& fallback = {},
                         bool* found = nullptr);
    bool readBool(const char* section, const std::string& key, bool fallback = false);
    // As the profile functions read an integer; a failed conversion names the
    // key and the value.
    std::int16_t readInt(const char* section, const std::string& key, std::int16_t fallback = 0);
    void writeText(const char* section, const std::string& key, const std::string& value);
    void writeBool(const char* section, const std::string& key, bool value);
    // The whole batch in one replacement of the file.
    void writeKeys(const char* section, const IniFile::KeyBatch& keys);

private:
    IniFile m_ini;
};

} // namespace ob
