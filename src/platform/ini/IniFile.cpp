#include "platform/ini/IniFile.h"

#include "platform/ini/FileText.h"
#include "platform/ini/SharedFile.h"

#include <algorithm>
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

void IniFile::WriteInteger(const std::string& key, std::int16_t value)
{
    write(m_section, key, decimal(value));
}

void IniFile::WriteLong(const std::string& key, std::int32_t value)
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

void IniFile::KeyBatch::WriteInteger(const std::string& key, std::int16_t value)
{
    m_keys.emplace_back(key, decimal(value));
}

void IniFile::KeyBatch::WriteLong(const std::string& key, std::int32_t value)
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
    return ini::lookupText(snapshot(), section, key);
}

void IniFile::write(const std::string& section, const std::string& key, const std::string& value)
{
    writeKeys(section, {{key, value}});
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(const std::string& section) const
{
    return ini::sectionEntriesText(snapshot(), section);
}

ini::Look IniFile::judge(const std::string& content) const
{
    if (!ini::hasSectionText(content, m_required))
        return ini::Look::CutShort;
    // The profile functions end every line, the last one too.
    if (!content.empty() && content.back() != '\n' && content.back() != '\r' && content.back() != '\0')
        return ini::Look::Doubtful;
    const auto names = ini::sectionNamesText(content);
    for (const auto& known : m_known) {
        if (std::find(names.begin(), names.end(), known) == names.end())
            return ini::Look::Doubtful;
    }
    return ini::Look::Plausible;
}

// Every read and write of the file goes through this test, so none of them
// ever works on a snapshot a peer's rewrite in place left cut short.
ini::WholeTest IniFile::wholeTest() const
{
    if (m_required.empty())
        return {};
    return [this](const std::string& content) { return judge(content); };
}

void IniFile::remember(const std::string& content) const
{
    if (!m_required.empty())
        m_known = ini::sectionNamesText(content);
}

std::string IniFile::snapshot() const
{
    std::string content = ini::readFile(m_path, wholeTest());
    remember(content);
    return content;
}

std::string IniFile::update(const std::function<std::string(const std::string&)>& change)
{
    ini::WriteReport report;
    std::string content = ini::updateFile(m_path, change, wholeTest(), &report);
    remember(content);
    if (report.inPlace && !m_noticed && m_notice) {
        m_noticed = true;
        m_notice(report.reason);
    }
    return content;
}

void IniFile::writeKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& keys)
{
    update([&](const std::string& text) {
        std::string out = text;
        for (const auto& [key, value] : keys)
            out = ini::assignText(out, section, key, value);
        return out;
    });
}

} // namespace ob
