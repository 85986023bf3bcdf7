#pragma once
// EnvironmentVariable: sets or clears an environment variable for one test and
// puts it back after.

#include <cstdlib>
#include <optional>
#include <string>

namespace ob::test {

namespace detail {
inline void setVariable(const char* name, const char* value)
{
#if defined(_WIN32)
    ::_putenv_s(name, value ? value : ""); // an empty value removes it
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}
} // namespace detail

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        detail::setVariable(name, value);
    }
    ~EnvironmentVariable()
    {
        detail::setVariable(m_name, m_old ? m_old->c_str() : nullptr);
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace ob::test
