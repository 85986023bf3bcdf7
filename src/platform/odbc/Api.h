#pragma once
// Api: the ODBC calls that carry text, with the text in UTF-8. On Linux they
// hand UTF-8 to unixODBC as it is; on Windows they call the wide (W) entry
// points, so the driver gets UTF-16 and no character is lost to a code page.
// Each returns the ODBC return code of the call that decided the outcome. On
// Windows a text to send that is not valid UTF-8 raises a database Failure:
// it has no UTF-16 form, and nothing else may be stored in its place.

#include <optional>
#include <string>

#include "platform/odbc/Sql.h"

namespace ob::odbc::api {

SQLRETURN driverConnect(SQLHDBC dbc, const std::string& connectionText);
SQLRETURN execDirect(SQLHSTMT stmt, const std::string& sql);
// Name and SQL type of a result column (1-based).
SQLRETURN describeColumn(SQLHSTMT stmt, SQLUSMALLINT column, std::string& name, SQLSMALLINT& type);
// A text item of SQLGetInfo (driver name, DBMS name).
SQLRETURN infoText(SQLHDBC dbc, SQLUSMALLINT what, std::string& text);
// One data source of the driver manager's list.
SQLRETURN dataSource(SQLHENV env, SQLUSMALLINT direction, std::string& name, std::string& description);
// One diagnostic record (1-based); the whole message, however long.
SQLRETURN diagnosticRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, std::string& state,
                           SQLINTEGER& native, std::string& message);
// A column's value of the current row as text, read in parts; nullopt for a
// null. SQL_SUCCESS when the whole value was read.
SQLRETURN textData(SQLHSTMT stmt, SQLUSMALLINT column, std::optional<std::string>& value);

} // namespace ob::odbc::api
