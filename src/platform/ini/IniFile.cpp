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

void IniFile::KeyBatch::WriteBoolean(const std::string& key, bool value)
{
    m_keys.emplace_back(key, value ? "True" : "False");
}

void IniFile::KeyBatch::WriteInteger(const std::string& key, std::int16_t value, const std::string&)
{
    m_keys.emplace_back(key, decimal(value));
}

void IniFile::KeyBatch::WriteLong(const std::string& key, std::int32_t value, const std::string&)
{
    m_keys.emplace_back(key, decimal(value));
}

void IniFile::KeyBatch::WriteString(const std::string& key, const std::string& value)
{
    m_keys.emplace_back(key, value);
}

void IniFile::WriteKeys(const KeyBatch& keys)
{
    writeKeys(m_section, keys.m_keys);
}

std::optional<std::string> IniFile::read(const std::string& section, const std::string& key) const
{
    return ini::lookupText(content(), section, key);
}

void IniFile::write(const std::string& section, const std::string& key, const std::string& value)
{
    writeKeys(section, {{key, value}});
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(const std::string& section) const
{
    return ini::sectionEntriesText(content(), section);
}

// Every read and write of the file goes through these two, so none of them
// ever works on a snapshot a peer's rewrite in place left without the
// required section.
std::string IniFile::content() const
{
    if (m_required.empty())
        return ini::readFile(m_path);
    return ini::readFile(m_path, [this](const std::string& text) { return ini::hasSectionText(text, m_required); });
}

void IniFile::writeKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& keys)
{
    const auto change = [&](const std::string& text) {
        std::string out = text;
        for (const auto& [key, value] : keys)
            out = ini::assignText(out, section, key, value);
        return out;
    };
    if (m_required.empty())
        ini::updateFile(m_path, change);
    else
        ini::updateFile(m_path, change,
                        [this](const std::string& text) { return ini::hasSectionText(text, m_required); });
}

} // namespace ob
