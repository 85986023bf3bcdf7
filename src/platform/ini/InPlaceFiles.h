#pragma once
// The files this process found it must rewrite in place (both sides of
// SharedFile): trying a temporary file again at every write would cost a
// failed create or rename each time.

#include <mutex>
#include <set>
#include <string>

namespace ob::ini {

class InPlaceFiles {
public:
    static InPlaceFiles& instance()
    {
        static InPlaceFiles files;
        return files;
    }
    bool contains(const std::string& path)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_paths.count(path) != 0;
    }
    void add(const std::string& path)
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_paths.insert(path);
    }

private:
    std::mutex m_mutex;
    std::set<std::string> m_paths;
};

} // namespace ob::ini
