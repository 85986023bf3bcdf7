#pragma once
// TempDir: a fresh folder for one test, under /tmp unless another base folder
// is named (the benchmarks use /dev/shm), removed with everything in it when
// the object goes away.

#include <string>

namespace ob::test {

class TempDir {
public:
    explicit TempDir(const std::string& base = "/tmp");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const noexcept { return m_path; }
    // The full path of `name` inside the folder.
    std::string file(const std::string& name) const;
    // Writes `content` byte for byte to `name` (created or overwritten); returns its path.
    std::string write(const std::string& name, const std::string& content) const;
    // The bytes of `name`; throws std::runtime_error when it cannot be read.
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string m_path;
};

} // namespace ob::test
