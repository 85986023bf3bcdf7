#pragma once
// Context: what every part of the program shares, handed to each by
// reference from the link: the environment (folders, regional settings,
// clock, window system), the log, the exchange file, NEXOVA.INI and the
// error key the peer reads.

#include <string>

#include "context/Environment.h"
#include "context/ExchangeFile.h"
#include "context/Log.h"
#include "platform/ini/IniFile.h"
#include "platform/regional/DateValue.h"

namespace ob {

class Context {
public:
    explicit Context(Environment env);
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const Environment& env() const { return m_env; }
    WindowSystem& windows() const { return *m_env.windows; }
    const regional::RegionalSettings& regional() const { return m_env.regional; }
    regional::CivilDateTime clockNow() const { return m_env.clock->now(); }
    regional::DateValue now() const;
    int currentYear() const { return clockNow().year; }

    void WriteLog(const std::string& text) noexcept { m_log.WriteLog(text); }
    // [General] Error, which the peer reads once Busy is False; logged too.
    void SetError(const std::string& text);

    Log& log() { return m_log; }
    ExchangeFile& exchange() { return m_exchange; }
    IniFile& nexova() { return m_nexova; }

private:
    Environment m_env;
    Log m_log;
    ExchangeFile m_exchange;
    IniFile m_nexova;
};

} // namespace ob
