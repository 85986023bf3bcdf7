#include "support/LinkFixture.h"

#include <algorithm>

namespace ob::test {

Environment LinkFixture::environment() const
{
    return Environment{dir.path(), dir.path(), regional, clock, windows};
}

Link& LinkFixture::start()
{
    m_link = std::make_unique<Link>(environment(), *windows, *windows);
    return *m_link;
}

std::optional<std::string> LinkFixture::get(const std::string& section, const std::string& key) const
{
    IniFile ini;
    ini.setFilePath(dir.file("OB32PYII.INI"));
    return ini.read(section, key);
}

void LinkFixture::set(const std::string& section, const std::string& key, const std::string& value)
{
    IniFile ini;
    ini.setFilePath(dir.file("OB32PYII.INI"));
    ini.write(section, key, value);
}

void LinkFixture::set(const std::string& section, std::initializer_list<std::pair<const char*, std::string>> values)
{
    for (const auto& [key, value] : values) {
        set(section, key, value);
    }
}

std::string LinkFixture::act(const std::string& action)
{
    set("General", "Action", action);
    m_link->OnTimerTick();
    return get("General", "Error").value_or("<missing>");
}

void LinkFixture::tickWith(std::function<void()> onEvents)
{
    windows->onDoEvents = std::move(onEvents);
    m_link->OnTimerTick();
    windows->onDoEvents = nullptr;
}

void LinkFixture::setNexova(const std::string& section, const std::string& key, const std::string& value)
{
    IniFile ini;
    ini.setFilePath(dir.file("NEXOVA.INI"));
    ini.write(section, key, value);
}

std::string LinkFixture::login(const std::string& dbLogin, const std::string& user, const std::string& password)
{
    setNexova("database", "DB_login", dbLogin);
    set("OBLogin", {{"LoginUserName", user}, {"LoginPassword", password}});
    return act("/OBLOGIN");
}

std::vector<std::string> LinkFixture::logLines() const
{
    return dir.exists("OB32PYII.txt") ? logTexts(dir.read("OB32PYII.txt")) : std::vector<std::string>{};
}

bool LinkFixture::logHas(const std::string& line) const
{
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void EngineTest::SetUp()
{
    db = std::make_unique<TestDatabase>(GetParam());
    db->exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db->user()) +
             ", 3, 'Chris Calibrator')");
}

std::unique_ptr<LinkFixture> EngineTest::loggedIn(regional::RegionalSettings rs)
{
    auto f = std::make_unique<LinkFixture>(std::move(rs));
    f->start();
    EXPECT_EQ(f->login(db->dbLogin(), db->user(), db->password()), "");
    return f;
}

} // namespace ob::test
