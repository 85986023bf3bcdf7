#pragma once
// How long a connection waits for the database, and the connection items with
// which each driver honours that when the server stops answering.

#include <string_view>
#include <vector>

#include "platform/odbc/ConnectionString.h"

namespace ob::odbc {

struct Timeouts {
    static constexpr int kDefaultLoginSeconds = 15;
    static constexpr int kDefaultCommandSeconds = 30;
    int loginSeconds = kDefaultLoginSeconds;     // opening the connection
    int commandSeconds = kDefaultCommandSeconds; // each statement, its rows and each commit
};

// A timeout as the exchange file gives it: whole seconds from 1 to 3600.
// Anything else (empty, 0, negative, not a number) is `fallback`: no limit
// would let a server that stops answering hold an action for ever.
int timeoutFromText(std::string_view text, int fallback);

enum class DriverFamily { Other, SQLite, PostgreSQL, MariaDB };

// The family of a driver by its name or description ("SQLite3", "PostgreSQL Unicode", "MariaDB Unicode").
DriverFamily driverFamily(std::string_view driverName);

// Adds what the driver needs beyond the ODBC timeout attributes; an item the
// data source text already sets is left as it is.
// - SQLite: Timeout, the busy timeout in milliseconds, so a database locked by
//   another connection fails the statement instead of waiting (the driver's
//   own default holds a statement for 200 s).
// - PostgreSQL (psqlODBC passes pqopt to libpq): the server's
//   statement_timeout for the whole session, and TCP keepalives and
//   tcp_user_timeout, so a dead network path ends the connection.
// - MariaDB: CONN_TIMEOUT, READ_TIMEOUT and WRITE_TIMEOUT on the socket.
// True when the items carry the statement timeout, so the statement
// attribute is not needed (psqlODBC would send two more statements around
// every query to set and reset it).
bool addTimeoutItems(std::vector<ConnectionItem>& items, DriverFamily family, const Timeouts& timeouts);

} // namespace ob::odbc
