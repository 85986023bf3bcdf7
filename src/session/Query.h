#pragma once
// The one lookup pattern: client-side cursor, execute, the rows.

#include <string>

#include "platform/Failure.h"
#include "platform/odbc/Connection.h"

namespace ob {

// Failure 91 when there is no connection.
odbc::Recordset runQuery(odbc::Connection* connection, const std::string& sql);

} // namespace ob
