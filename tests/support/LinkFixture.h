#pragma once
// A link in a temporary Windows folder, driven as PYRALIS II drives it: keys, Action, a tick, the results.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "context/Messages.h"
#include "link/Link.h"
#include "platform/ini/IniFile.h"
#include "support/FakeWindowSystem.h"
#include "support/TempDir.h"
#include "support/TestDatabase.h"

namespace ob::test {

class FixedClock final : public Clock {
public:
    regional::CivilDateTime now() const override { return value; }
    regional::CivilDateTime value{2026, 12, 5, 14, 3, 27};
};

class LinkFixture {
public:
    // The Windows folder is a new folder under `base` (the benchmarks' is in memory).
    explicit LinkFixture(regional::RegionalSettings rs = regional::RegionalSettings::enUS(),
                         const std::string& base = "/tmp")
        : dir(base), regional(std::move(rs))
    {
    }
    ~LinkFixture() { stop(); }

    Environment environment() const; // this folder, clock, window system and regional settings
    Link& start();                   // construction runs now
    Link& link() { return *m_link; }
    void stop() { m_link.reset(); } // destruction runs now

    std::optional<std::string> get(const std::string& section, const std::string& key) const;
    void set(const std::string& section, const std::string& key, const std::string& value);
    void set(const std::string& section, std::initializer_list<std::pair<const char*, std::string>> values);
    // Writes Action and delivers one tick; returns [General] Error.
    std::string act(const std::string& action);
    // One tick with `onEvents` run at each of its log lines (where the peer may look or write).
    void tickWith(std::function<void()> onEvents);
    void setNexova(const std::string& section, const std::string& key, const std::string& value);
    // The data source and stored credentials, then /OBLOGIN; returns Error.
    std::string login(const std::string& dbLogin, const std::string& user, const std::string& password);

    std::vector<std::string> logLines() const; // the log's texts without their time stamps
    bool logHas(const std::string& line) const;

    TempDir dir;
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    std::shared_ptr<FakeWindowSystem> windows = std::make_shared<FakeWindowSystem>();
    regional::RegionalSettings regional;

private:
    std::unique_ptr<Link> m_link;
};

// A fresh database per engine with db->user() as user "Chris Calibrator", level 3.
class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;
    // A started link logged in to db.
    std::unique_ptr<LinkFixture> loggedIn(regional::RegionalSettings rs = regional::RegionalSettings::enUS());
    std::unique_ptr<TestDatabase> db;
};

} // namespace ob::test
