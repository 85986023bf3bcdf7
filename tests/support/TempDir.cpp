#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace ob::test {

TempDir::TempDir(const std::string& base)
{
    // A name nobody has: create_directory fails on one that exists.
    static std::random_device seed;
    static std::mt19937_64 random(seed());
    const char* const digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = base + "/ob32pyii-test-";
        for (int i = 0; i < 8; ++i)
            name += digits[random() % 36];
        std::error_code error;
        if (std::filesystem::create_directory(name, error)) {
            m_path = name;
            return;
        }
        if (error)
            throw std::system_error(error, "create_directory " + name);
    }
    throw std::runtime_error("no free name for a temporary folder in " + base);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::file(const std::string& name) const
{
    return m_path + "/" + name;
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
    const auto path = file(name);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::exists(const std::string& name) const
{
    std::error_code ignored;
    return std::filesystem::exists(file(name), ignored);
}

} // namespace ob::test
