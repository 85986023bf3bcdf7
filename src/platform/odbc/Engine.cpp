// The engines the program knows and their differences.
#include "platform/odbc/Engine.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/regional/Conversions.h"

namespace ob::odbc {

namespace {

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

long long commandSeconds(const Timeouts& timeouts)
{
    return std::max(timeouts.commandSeconds, 1);
}

// Timeout: the busy timeout in milliseconds, so a database locked by another
// connection fails the statement instead of waiting (the driver's own default
// holds a statement for 200 s). The driver waits it out twice (once more when
// it retries the step) before it reports "database is locked".
bool sqliteTimeoutItems(std::vector<ConnectionItem>& items, const Timeouts& timeouts)
{
    addUnlessSet(items, "Timeout", regional::formatInteger(commandSeconds(timeouts) * 500));
    return false;
}

// psqlODBC passes pqopt to libpq: the server's statement_timeout for the whole
// session, and TCP keepalives and tcp_user_timeout, so a dead network path
// ends the connection. Probes start after half the statement time and give up
// after three unanswered ones; data the server never acknowledges ends the
// connection after the statement time. With the statement timeout in the
// session, psqlODBC need not send two more statements around every query to
// set and reset it.
bool postgresTimeoutItems(std::vector<ConnectionItem>& items, const Timeouts& timeouts)
{
    const long long command = commandSeconds(timeouts);
    const long long idle = std::max(command / 2, 1LL);
    const long long interval = std::max(command / 6, 1LL);
    return addBracedUnlessSet(items, "pqopt",
                              "options='-c statement_timeout=" + regional::formatInteger(command * 1000) +
                                  "' keepalives=1 keepalives_idle=" + regional::formatInteger(idle) +
                                  " keepalives_interval=" + regional::formatInteger(interval) +
                                  " keepalives_count=3 tcp_user_timeout=" + regional::formatInteger(command * 1000));
}

// CONN_TIMEOUT, READ_TIMEOUT and WRITE_TIMEOUT on the socket.
bool mariadbTimeoutItems(std::vector<ConnectionItem>& items, const Timeouts& timeouts)
{
    addUnlessSet(items, "CONN_TIMEOUT", regional::formatInteger(std::max(timeouts.loginSeconds, 1)));
    addUnlessSet(items, "READ_TIMEOUT", regional::formatInteger(commandSeconds(timeouts)));
    addUnlessSet(items, "WRITE_TIMEOUT", regional::formatInteger(commandSeconds(timeouts)));
    return false;
}

const Engine kPlainOdbc{.name = "ODBC", .driverMarks = {}, .dbmsMarks = {}};

// SQL Server, Oracle and the like need no entry while the ODBC attributes
// serve their drivers and a backslash is text to them.
const std::array<Engine, 3> kEngines{{
    {
        .name = "SQLite",
        .driverMarks = {"sqlite"},
        .dbmsMarks = {"sqlite"},
        .localFile = true,
        .addTimeoutItems = sqliteTimeoutItems,
    },
    {
        .name = "PostgreSQL",
        .driverMarks = {"postgres", "psqlodbc"},
        .dbmsMarks = {"postgresql"},
        .addTimeoutItems = postgresTimeoutItems,
        .standardLiterals = "SET standard_conforming_strings = on",
    },
    {
        .name = "MariaDB",
        .driverMarks = {"mariadb", "maodbc", "mysql"},
        .dbmsMarks = {"mariadb", "mysql"},
        .addTimeoutItems = mariadbTimeoutItems,
        // Keeps the rest of the server's sql_mode (strict mode above all).
        .standardLiterals =
            "SET SESSION sql_mode = CONCAT_WS(',', NULLIF(@@SESSION.sql_mode, ''), 'NO_BACKSLASH_ESCAPES')",
    },
}};

const Engine* findEngine(std::string_view name, std::vector<std::string_view> Engine::*marks)
{
    for (const Engine& engine : kEngines) {
        for (std::string_view mark : engine.*marks) {
            if (containsIgnoreCase(name, mark)) {
                return &engine;
            }
        }
    }
    return nullptr;
}

} // namespace

const Engine& engineOfDriver(std::string_view driverName)
{
    const Engine* engine = findEngine(driverName, &Engine::driverMarks);
    return engine != nullptr ? *engine : kPlainOdbc;
}

const Engine* engineOfDbms(std::string_view dbmsName)
{
    return findEngine(dbmsName, &Engine::dbmsMarks);
}

const Engine& plainOdbcEngine()
{
    return kPlainOdbc;
}

} // namespace ob::odbc
