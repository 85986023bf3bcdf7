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
void addBracedUnlessSet(std::vector<ConnectionItem>& items, const char* key, const std::string& value)
{
    if (findConnectionItem(items, key) == nullptr) {
        items.push_back(ConnectionItem{key, value, std::string(key) + "={" + value + "}"});
    }
}

} // namespace

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

void addTimeoutItems(std::vector<ConnectionItem>& items, DriverFamily family, const Timeouts& timeouts)
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
        addBracedUnlessSet(items, "pqopt",
                     "keepalives=1 keepalives_idle=" + numberText(idle) + " keepalives_interval=" +
                         numberText(interval) + " keepalives_count=3 tcp_user_timeout=" + numberText(command * 1000));
        break;
    }
    case DriverFamily::MariaDB:
        addUnlessSet(items, "CONN_TIMEOUT", numberText(login));
        addUnlessSet(items, "READ_TIMEOUT", numberText(command));
        addUnlessSet(items, "WRITE_TIMEOUT", numberText(command));
        break;
    case DriverFamily::Other:
        break;
    }
}

} // namespace ob::odbc
