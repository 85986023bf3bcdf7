// The shared context: the clock's value and the error key.
#include "context/Context.h"

#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"

namespace ob {

Context::Context(Environment env) : m_env(std::move(env)), m_log(*m_env.windows, *m_env.clock, m_env.regional)
{
    // Once, the first time: the peer's rights reach the file but not its folder.
    m_exchange.setInPlaceNotice([this](const std::string& why) {
        WriteLog(m_exchange.FilePath() + " is written in place" + (why.empty() ? std::string() : ": " + why));
    });
}

regional::DateValue Context::now() const
{
    return regional::makeDateTime(clockNow());
}

void Context::SetError(const std::string& text)
{
    m_exchange.writeText(keys::General, keys::Error, text);
    WriteLog(text);
}

} // namespace ob
