#pragma once
// TempDir: a fresh folder for one test under `base` (the benchmarks use /dev/shm), removed with its content.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ob::test {

class TempDir {
public:
    explicit TempDir(const std::string& base = "/tmp");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const noexcept { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // Writes `content` byte for byte to `name`; returns its path. read() throws when it cannot read.
    std::string write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }

private:
    std::string m_path;
};

// The texts of a log's lines (OB32PYII.txt) without their time stamps.
std::vector<std::string> logTexts(const std::string& log);

// `text` as UTF-16LE bytes, after a byte-order mark if `bom`: a file Windows' profile functions keep in UTF-16.
inline std::string utf16le(std::u16string_view text, bool bom = true)
{
    std::string out = bom ? "\xFF\xFE" : "";
    for (const char16_t c : text)
        out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return out;
}

} // namespace ob::test
