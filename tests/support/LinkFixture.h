#pragma once
// A link object in a temporary Windows folder, driven the way PYRALIS II
// drives it: write keys, write Action, deliver a tick, read the results.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ini/IniFile.h"
#include "context/Messages.h"
#include "link/Link.h"
#include "support/FakeWindowSystem.h"
#include "support/TempDir.h"

namespace ob::test {

class FixedClock final : public Clock {
public:
    regional::CivilDateTime now() const override { return value; }
    regional::CivilDateTime value{2026, 12, 5, 14, 3, 27};
};

class LinkFixture {
public:
    // The Windows folder is a new folder under `base`.
    explicit LinkFixture(regional::RegionalSettings rs = regional::RegionalSettings::enUS(),
                         const std::string& base = "/tmp");
    ~LinkFixture();

    // Creates the link object (construction runs now).
    Link& start();
    Link& link() { return *m_link; }
    void stop(); // destruction runs now

    // The exchange file.
    std::optional<std::string> get(const std::string& section, const std::string& key) const;
    void set(const std::string& section, const std::string& key, const std::string& value);
    // Writes Action and delivers one tick; returns [General] Error.
    std::string act(const std::string& action);
    // NEXOVA.INI
    void setNexova(const std::string& section, const std::string& key, const std::string& value);
    // Stored credentials and the data source, then /OBLOGIN; returns Error.
    std::string login(const std::string& dbLogin, const std::string& user, const std::string& password);

    // The log file's texts without their time stamps.
    std::vector<std::string> logLines() const;
    std::string logText() const; // every text, one per line
    bool logHas(const std::string& line) const;

    TempDir dir;
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::shared_ptr<FakeWindowSystem> windows = std::make_shared<FakeWindowSystem>();
    regional::RegionalSettings regional;

private:
    std::unique_ptr<Link> m_link;
};

} // namespace ob::test
