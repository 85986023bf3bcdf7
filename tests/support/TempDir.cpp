#include "support/TempDir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace ob::test {

TempDir::TempDir(const std::string& base)
{
    static std::mt19937_64 random(std::random_device{}());
    m_path = base + "/ob32pyii-test-" + std::to_string(random()); // 64 random bits: no other test's name
    if (!std::filesystem::create_directory(m_path)) // throws when it cannot make it
        throw std::runtime_error("a temporary folder of that name exists: " + m_path);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const
{
    const auto path = file(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TempDir::read(const std::string& name) const
{
    std::ifstream in(file(name), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file(name));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> logTexts(const std::string& log)
{
    std::vector<std::string> out;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line.substr(line.find('\t') == std::string::npos ? 0 : line.find('\t') + 1));
    }
    return out;
}

} // namespace ob::test
