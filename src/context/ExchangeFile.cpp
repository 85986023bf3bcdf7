// The exchange file's typed reads and writes, and the take-up and answer of
// an action (see ExchangeFile.h).
#include "context/ExchangeFile.h"

#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "platform/Text.h"
#include "platform/ini/FileText.h"
#include "platform/ini/SharedFile.h"

namespace ob {

namespace {
constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";
} // namespace

std::optional<std::string> ExchangeFile::read(const char* section, const std::string& key)
{
    if (!m_inRequest)
        return m_ini.read(section, key);
    if (!m_indexed) {
        // As lookups find them: the first section of a name, its first key of a name.
        m_index.clear();
        for (const auto& name : ini::sectionNamesText(m_view)) {
            for (auto& [entry, value] : ini::sectionEntriesText(m_view, name))
                m_index.emplace(std::make_pair(name, text::upper(text::trim(entry))), std::move(value));
        }
        m_indexed = true;
    }
    const auto found = m_index.find({text::upper(text::trim(section)), text::upper(text::trim(key))});
    if (found != m_index.end())
        return found->second;
    // Not indexed: absent, or named beyond ASCII in the peer's code page.
    return ini::lookupText(m_view, section, key);
}

void ExchangeFile::write(const char* section, std::vector<std::pair<std::string, std::string>> keys)
{
    if (!m_inRequest) {
        IniFile::KeyBatch batch;
        for (const auto& [key, value] : keys)
            batch.WriteString(key, value);
        m_ini.setSection(section);
        m_ini.WriteKeys(batch);
        return;
    }
    m_indexed = false;
    for (auto& [key, value] : keys) {
        m_view = ini::assignText(m_view, section, key, value);
        m_answer.push_back({section, std::move(key), std::move(value)});
    }
}

std::string ExchangeFile::readText(const char* section, const std::string& key, const std::string& fallback,
                                   bool* found)
{
    auto value = read(section, key);
    if (found != nullptr)
        *found = value.has_value();
    return value ? std::move(*value) : fallback;
}

bool ExchangeFile::readBool(const char* section, const std::string& key, bool fallback)
{
    const auto value = read(section, key);
    return value ? ini::toBoolean(*value) : fallback;
}

std::int16_t ExchangeFile::readInt(const char* section, const std::string& key, std::int16_t fallback)
{
    bool present = false;
    const std::string text = readText(section, key, {}, &present);
    return present ? convertExchangeValue(key, text, ini::toInteger) : fallback;
}

void ExchangeFile::writeText(const char* section, const std::string& key, const std::string& value)
{
    write(section, {{key, value}});
}

void ExchangeFile::writeBool(const char* section, const std::string& key, bool value)
{
    write(section, {{key, value ? kTrue : kFalse}});
}

void ExchangeFile::writeKeys(const char* section, const IniFile::KeyBatch& keys)
{
    write(section, keys.entries());
}

// One look, without waiting for a second: a word read from a cut file is
// checked again by the take-up, which reads under the lock and takes only a
// whole file; a word a cut file hides is seen at the change that completes it.
std::string ExchangeFile::pendingAction()
{
    return ini::lookupText(ini::readFile(m_ini.FilePath()), keys::General, keys::Action).value_or("");
}

bool ExchangeFile::takeUp(const std::string& action)
{
    bool taken = false;
    const std::string content = m_ini.update([&](const std::string& text) {
        // The peer may have withdrawn or replaced the word since the tick read it.
        taken = ini::lookupText(text, keys::General, keys::Action).value_or("") == action;
        if (!taken)
            return text;
        std::string out = ini::assignText(text, keys::General, keys::Action, "");
        out = ini::assignText(out, keys::General, keys::Busy, kTrue);
        return ini::assignText(out, keys::General, keys::Error, "");
    });
    if (taken) {
        m_inRequest = true;
        m_view = content;
        m_indexed = false;
        m_answer.clear();
    }
    return taken;
}

void ExchangeFile::answer()
{
    if (m_inRequest) {
        m_inRequest = false;
        m_view.clear();
        m_answer.push_back({keys::General, keys::Busy, kFalse});
        m_answerPending = true;
    }
    if (!m_answerPending)
        return;
    // Applied in the order written, so the last write of a key stands.
    m_ini.update([&](const std::string& text) {
        std::string out = text;
        for (const auto& a : m_answer)
            out = ini::assignText(out, a.section, a.key, a.value);
        return out;
    });
    m_answer.clear();
    m_answerPending = false;
}

} // namespace ob
