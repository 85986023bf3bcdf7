#pragma once
// EnvironmentVariable: sets (or, given nullptr, clears) a variable for one test and puts it back after.

#include <cstdlib>
#include <optional>
#include <string>

namespace ob::test {

class EnvironmentVariable {
public:
    EnvironmentVariable(const std::string& name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name.c_str()))
            m_old = old;
        set(name, value);
    }
    ~EnvironmentVariable() { set(m_name, m_old ? m_old->c_str() : nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    static void set(const std::string& name, const char* value)
    {
#if defined(_WIN32)
        ::_putenv_s(name.c_str(), value ? value : ""); // an empty value removes it
#else
        value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
#endif
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace ob::test
