#pragma once
// A link object for the benchmarks, in a Windows folder of its own under a
// chosen base folder (/tmp on the disk, or /dev/shm in memory), driven as
// PYRALIS II drives it: keys written, Action written, one tick delivered.
// Only the tick is timed by the callers; preparing the request is not.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "BenchSupport.h"
#include "platform/ini/IniFile.h"
#include "platform/ini/SharedFile.h"
#include "shell/CBrennLinkDB.h"
#include "support/FakeWindowSystem.h"
#include "support/LinkFixture.h"

namespace ob::bench {

// /dev/shm when the machine has it, else /tmp.
inline std::string memoryFolder()
{
    return std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
}

class BenchLink {
public:
    explicit BenchLink(const std::string& base) : m_base(base)
    {
        std::string pattern = base + "/ob32pyii-bench-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()) == nullptr)
            throw std::runtime_error("cannot create a folder under " + base);
        m_folder = buffer.data();
        m_exchange.setFilePath(m_folder + "/OB32PYII.INI");
        m_nexova.setFilePath(m_folder + "/NEXOVA.INI");
    }
    ~BenchLink()
    {
        m_link.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    BenchLink(const BenchLink&) = delete;
    BenchLink& operator=(const BenchLink&) = delete;

    CBrennLinkDB& start()
    {
        Environment env;
        env.windowsFolder = m_folder;
        env.programFolder = m_folder; // no orbista.exe: the version check is skipped
        env.regional = regional::RegionalSettings::enUS();
        env.clock = clock;
        env.windows = windows;
        m_link = std::make_unique<CBrennLinkDB>(std::move(env));
        return *m_link;
    }
    CBrennLinkDB& link() { return *m_link; }

    const std::string& base() const { return m_base; }
    const std::string& folder() const { return m_folder; }
    std::string exchangePath() const { return m_exchange.FilePath(); }

    void set(const std::string& section, const std::string& key, const std::string& value)
    {
        m_exchange.write(section, key, value);
    }
    std::optional<std::string> get(const std::string& section, const std::string& key) const
    {
        return m_exchange.read(section, key);
    }
    // Many keys in one replacement of the file (the link is idle meanwhile).
    void setMany(const std::string& section, const std::vector<std::pair<std::string, std::string>>& keys)
    {
        ini::updateFile(m_exchange.FilePath(), [&](const std::string& content) {
            std::string text = content;
            for (const auto& [key, value] : keys)
                text = ini::assign(text, section, key, value);
            return text;
        });
    }
    void setNexova(const std::string& section, const std::string& key, const std::string& value)
    {
        m_nexova.write(section, key, value);
    }

    // Writes Action (not timed), then times one tick; Error is left in `error`.
    double act(const std::string& action, std::string* error = nullptr)
    {
        set("General", "Action", action);
        const double ms = timeMs([&] { m_link->ActionTimer_ThatTime(); });
        if (error != nullptr)
            *error = get("General", "Error").value_or("<missing>");
        return ms;
    }

    std::shared_ptr<test::FixedClock> clock = std::make_shared<test::FixedClock>();
    std::shared_ptr<test::FakeWindowSystem> windows = std::make_shared<test::FakeWindowSystem>();

private:
    std::string m_base;
    std::string m_folder;
    IniFile m_exchange;
    IniFile m_nexova;
    std::unique_ptr<CBrennLinkDB> m_link;
};

// Stops the benchmark with a message when an action reported an error.
inline void expectNoError(const std::string& what, const std::string& error)
{
    if (!error.empty()) {
        std::cerr << what << " failed: " << error << '\n';
        std::exit(1);
    }
}

} // namespace ob::bench
