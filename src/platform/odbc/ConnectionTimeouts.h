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

enum class DriverFamily { Other, SQLite, PostgreSQL, MariaDB };

// The family of a driver by its name or description ("SQLite3", "PostgreSQL Unicode", "MariaDB Unicode").
DriverFamily driverFamily(std::string_view driverName);

// Adds what the driver needs beyond the ODBC timeout attributes; an item the
// data source text already sets is left as it is.
// - SQLite: Timeout, the busy timeout in milliseconds, so a database locked by
//   another connection fails the statement instead of waiting (the driver's
//   own default holds a statement for 200 s).
// - PostgreSQL (psqlODBC passes pqopt to libpq): TCP keepalives and
//   tcp_user_timeout, so a dead network path ends the connection.
// - MariaDB: CONN_TIMEOUT, READ_TIMEOUT and WRITE_TIMEOUT on the socket.
void addTimeoutItems(std::vector<ConnectionItem>& items, DriverFamily family, const Timeouts& timeouts);

} // namespace ob::odbc
