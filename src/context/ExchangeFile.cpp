// The exchange file's typed reads and writes.
#include "context/ExchangeFile.h"

#include "context/ExchangeValues.h"

namespace ob {

std::string ExchangeFile::readText(const char* section, const std::string& key, const std::string& fallback,
                                   bool* found)
{
    m_ini.setSection(section);
    std::string value;
    bool present = false;
    m_ini.ReadString(key, value, present);
    if (found != nullptr) {
        *found = present;
    }
    return present ? value : fallback;
}

bool ExchangeFile::readBool(const char* section, const std::string& key, bool fallback)
{
    m_ini.setSection(section);
    bool value = false;
    bool present = false;
    m_ini.ReadBoolean(key, value, present);
    return present ? value : fallback;
}

std::int16_t ExchangeFile::readInt(const char* section, const std::string& key, std::int16_t fallback)
{
    bool present = false;
    const std::string text = readText(section, key, {}, &present);
    return present ? convertExchangeValue(key, text, ini::toInteger) : fallback;
}

void ExchangeFile::writeText(const char* section, const std::string& key, const std::string& value)
{
    m_ini.setSection(section);
    m_ini.WriteString(key, value);
}

void ExchangeFile::writeBool(const char* section, const std::string& key, bool value)
{
    m_ini.setSection(section);
    m_ini.WriteBoolean(key, value);
}

void ExchangeFile::writeKeys(const char* section, const IniFile::KeyBatch& keys)
{
    m_ini.setSection(section);
    m_ini.WriteKeys(keys);
}

} // namespace ob
