#include "support/LinkFixture.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace ob::test {

LinkFixture::LinkFixture(regional::RegionalSettings rs, const std::string& base) : dir(base), regional(std::move(rs))
{
}

LinkFixture::~LinkFixture() { stop(); }

Link& LinkFixture::start()
{
    Environment env;
    env.windowsFolder = dir.path();
    env.programFolder = dir.path();
    env.regional = regional;
    env.clock = clock;
    env.windows = windows;
    m_link = std::make_unique<Link>(env);
    return *m_link;
}

void LinkFixture::stop() { m_link.reset(); }

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

std::string LinkFixture::act(const std::string& action)
{
    set("General", "Action", action);
    m_link->OnTimerTick();
    return get("General", "Error").value_or("<missing>");
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
    set("OBLogin", "LoginUserName", user);
    set("OBLogin", "LoginPassword", password);
    return act("/OBLOGIN");
}

std::vector<std::string> LinkFixture::logLines() const
{
    std::vector<std::string> lines;
    std::ifstream in(dir.file("OB32PYII.txt"), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto tab = line.find('\t');
        lines.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    return lines;
}

std::string LinkFixture::logText() const
{
    std::ostringstream out;
    for (const auto& l : logLines()) {
        out << l << '\n';
    }
    return out.str();
}

bool LinkFixture::logHas(const std::string& line) const
{
    const auto lines = logLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace ob::test
