#pragma once
// A link object for the benchmarks, in a Windows folder of its own under a
// chosen base folder (/tmp on the disk, or /dev/shm in memory), driven as
// PYRALIS II drives it. Only the tick is timed; preparing the request is not.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "BenchSupport.h"
#include "platform/ini/SharedFile.h"
#include "support/LinkFixture.h"

namespace ob::bench {

// /dev/shm when the machine has it, else /tmp.
inline std::string memoryFolder()
{
    return std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
}

// A LinkFixture whose Windows folder lies under `base`, with the request
// written in one go and the tick timed.
class BenchLink : public test::LinkFixture {
public:
    explicit BenchLink(const std::string& base)
        : LinkFixture(regional::RegionalSettings::enUS(), base)
        , m_base(base)
    {
    }

    const std::string& base() const { return m_base; }
    const std::string& folder() const { return dir.path(); }
    std::string exchangePath() const { return dir.file("OB32PYII.INI"); }

    // Many keys in one replacement of the file (the link is idle meanwhile).
    void setMany(const std::string& section, const std::vector<std::pair<std::string, std::string>>& keys)
    {
        ini::updateFile(exchangePath(), [&](const std::string& content) {
            std::string text = content;
            for (const auto& [key, value] : keys)
                text = ini::assign(text, section, key, value);
            return text;
        });
    }

    // Writes Action (not timed), then times one tick; Error is left in `error`.
    double act(const std::string& action, std::string* error = nullptr)
    {
        set("General", "Action", action);
        const double ms = timeMs([&] { link().OnTimerTick(); });
        if (error != nullptr)
            *error = get("General", "Error").value_or("<missing>");
        return ms;
    }

private:
    std::string m_base;
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
