#include "platform/ini/IniFile.h"

#include "platform/ini/FileText.h"
#include "platform/ini/SharedFile.h"

#include <charconv>

namespace ob {

namespace {

template <typename Integer>
std::string decimal(Integer value)
{
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

} // namespace

void IniFile::ReadBoolean(const std::string& key, bool& value, bool& found) const
{
    const auto text = read(m_section, key);
    found = text.has_value();
    value = found && ini::toBoolean(*text);
}

void IniFile::ReadInteger(const std::string& key, std::int16_t& value, bool& found) const
{
    const auto text = read(m_section, key);
    found = text.has_value();
    value = found ? ini::toInteger(*text) : std::int16_t{0};
}

void IniFile::ReadString(const std::string& key, std::string& value, bool& found) const
{
    auto text = read(m_section, key);
    found = text.has_value();
    value = found ? std::move(*text) : std::string();
}

void IniFile::WriteBoolean(const std::string& key, bool value)
{
    write(m_section, key, value ? "True" : "False");
}

void IniFile::WriteInteger(const std::string& key, std::int16_t value, const std::string&)
{
    write(m_section, key, decimal(value));
}

void IniFile::WriteLong(const std::string& key, std::int32_t value, const std::string&)
{
    write(m_section, key, decimal(value));
}

void IniFile::WriteString(const std::string& key, const std::string& value)
{
    write(m_section, key, value);
}

std::optional<std::string> IniFile::read(const std::string& section, const std::string& key) const
{
    return ini::lookupText(ini::readFile(m_path), section, key);
}

void IniFile::write(const std::string& section, const std::string& key, const std::string& value)
{
    ini::updateFile(m_path, [&](const std::string& content) { return ini::assignText(content, section, key, value); });
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(const std::string& section) const
{
    return ini::sectionEntriesText(ini::readFile(m_path), section);
}

} // namespace ob
