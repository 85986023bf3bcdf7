#include "platform/odbc/ConnectionTimeouts.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace ob::odbc {

namespace {

std::string numberText(long long v)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    return std::string(buf, end);
}

void addUnlessSet(std::vector<ConnectionItem>& items, const char* key, const std::string& value)
{
    if (findConnectionItem(items, key) == nullptr) {
        addConnectionItem(items, key, value);
    }
}

// psqlODBC reads a pqopt value of several libpq options only in braces.
bool addBracedUnlessSet(std::vector<ConnectionItem>& items, const char* key, const std::string& value)
{
    if (findConnectionItem(items, key) != nullptr) {
        return false;
    }
    items.push_back(ConnectionItem{key, value, std::string(key) + "={" + value + "}"});
    return true;
}

} // namespace

int timeoutFromText(std::string_view text, int fallback)
{
    constexpr int kLongest = 3600;
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 1 || value > kLongest) {
        return fallback;
    }
    return value;
}

DriverFamily driverFamily(std::string_view driverName)
{
    if (containsIgnoreCase(driverName, "sqlite")) {
        return DriverFamily::SQLite;
    }
    if (containsIgnoreCase(driverName, "postgres") || containsIgnoreCase(driverName, "psqlodbc")) {
        return DriverFamily::PostgreSQL;
    }
    if (containsIgnoreCase(driverName, "mariadb") || containsIgnoreCase(driverName, "maodbc") ||
        containsIgnoreCase(driverName, "mysql")) {
        return DriverFamily::MariaDB;
    }
    return DriverFamily::Other;
}

bool addTimeoutItems(std::vector<ConnectionItem>& items, DriverFamily family, const Timeouts& timeouts)
{
    const long long command = std::max(timeouts.commandSeconds, 1);
    const long long login = std::max(timeouts.loginSeconds, 1);
    switch (family) {
    case DriverFamily::SQLite:
        // The driver waits out its busy timeout twice (once more when it
        // retries the step) before it reports "database is locked".
        addUnlessSet(items, "Timeout", numberText(command * 500));
        break;
    case DriverFamily::PostgreSQL: {
        // Probes start after half the statement time and give up after three
        // unanswered ones; data the server never acknowledges ends the
        // connection after the statement time.
        const long long idle = std::max(command / 2, 1LL);
        const long long interval = std::max(command / 6, 1LL);
        return addBracedUnlessSet(items, "pqopt",
                                  "options='-c statement_timeout=" + numberText(command * 1000) +
                                      "' keepalives=1 keepalives_idle=" + numberText(idle) +
                                      " keepalives_interval=" + numberText(interval) +
                                      " keepalives_count=3 tcp_user_timeout=" + numberText(command * 1000));
    }
    case DriverFamily::MariaDB:
        addUnlessSet(items, "CONN_TIMEOUT", numberText(login));
        addUnlessSet(items, "READ_TIMEOUT", numberText(command));
        addUnlessSet(items, "WRITE_TIMEOUT", numberText(command));
        break;
    case DriverFamily::Other:
        break;
    }
    return false;
}

} // namespace ob::odbc
