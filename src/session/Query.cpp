#include "session/Query.h"

namespace ob {

odbc::Recordset runQuery(odbc::Connection* connection, const std::string& sql)
{
    if (connection == nullptr) {
        throw Failure(91, "Object variable or With block variable not set");
    }
    connection->setCursorLocation(odbc::CursorLocation::Client);
    // Calls are synchronous: the connection never reports a statement still executing.
    return connection->Execute(sql);
}

} // namespace ob
