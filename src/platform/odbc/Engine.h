#pragma once
// Engine: what the program does differently for one database engine, in one
// place. An engine is known by its driver's name (before the connection
// opens) or by the DBMS name the driver reports (after). A new engine is one
// more entry in Engine.cpp's table; an engine it does not know is served as
// plain ODBC (the driver's own timeouts, a backslash taken as text).

#include <string_view>
#include <vector>

#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"

namespace ob::odbc {

struct Engine {
    const char* name;
    // Lower-case parts of a driver's name or description ("SQLite3", "PostgreSQL Unicode").
    std::vector<std::string_view> driverMarks;
    // Parts of the DBMS name the driver reports ("SQLite", "PostgreSQL", "MariaDB").
    std::vector<std::string_view> dbmsMarks;
    // The database is a local file: no sockets to watch, and no owner
    // prefix, so the file is attached as "ob" to an in-memory main database.
    bool localFile = false;
    // Adds to the connection items what the driver needs beyond the ODBC
    // timeout attributes (an item the data source text sets is kept). True
    // when the items carry the statement timeout, so the statement attribute
    // is not needed. Null: the attributes are all it needs.
    bool (*addTimeoutItems)(std::vector<ConnectionItem>& items, const Timeouts& timeouts) = nullptr;
    // The statement that switches a session that reads a backslash in a
    // quoted text as an escape to plain literals; null where a backslash is
    // always text.
    const char* standardLiterals = nullptr;
};

// The engine a driver name or description names; the plain ODBC engine when none.
const Engine& engineOfDriver(std::string_view driverName);
// The engine a reported DBMS name names; null when none.
const Engine* engineOfDbms(std::string_view dbmsName);
// Plain ODBC: what an unknown engine gets.
const Engine& plainOdbcEngine();

} // namespace ob::odbc
