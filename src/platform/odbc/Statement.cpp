// Running one statement and fetching its rows.
#include <optional>

#include "platform/odbc/ConnectionImpl.h"
#include "platform/odbc/Diagnostics.h"

namespace ob::odbc {

namespace {

FieldKind kindOf(SQLSMALLINT type)
{
    switch (type) {
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return FieldKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return FieldKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return FieldKind::Timestamp;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BIGINT:
    case SQL_TINYINT:
    case SQL_BIT:
        return FieldKind::Number;
    default:
        return FieldKind::Text;
    }
}

std::optional<std::string> readValue(const Handle& stmt, SQLUSMALLINT column, const std::string& source)
{
    std::optional<std::string> value;
    check(api::textData(stmt.get(), column, value), stmt, source);
    return value;
}

void setRecordsAffected(long* recordsAffected, long count)
{
    if (recordsAffected != nullptr) {
        *recordsAffected = count;
    }
}

struct Columns {
    std::vector<std::string> names;
    std::vector<FieldKind> kinds;
};

Columns describeColumns(const Handle& stmt, SQLSMALLINT count, const std::string& source)
{
    Columns columns;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        std::string name;
        SQLSMALLINT type = 0;
        check(api::describeColumn(stmt.get(), i, name, type), stmt, source);
        columns.names.push_back(std::move(name));
        columns.kinds.push_back(kindOf(type));
    }
    return columns;
}

std::vector<std::vector<std::optional<std::string>>> fetchRows(const Handle& stmt, SQLSMALLINT columnCount,
                                                               const std::string& source)
{
    std::vector<std::vector<std::optional<std::string>>> rows;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt.get());
        if (rc == SQL_NO_DATA) {
            break;
        }
        check(rc, stmt, source);
        std::vector<std::optional<std::string>> row;
        row.reserve(static_cast<std::size_t>(columnCount));
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columnCount); ++i) {
            row.push_back(readValue(stmt, i, source));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

Recordset Connection::Impl::execute(const std::string& sql, long* recordsAffected)
{
    Handle stmt = Handle::allocate(SQL_HANDLE_STMT, &dbc.handle(), source);
    if (!statementTimeoutInItems) {
        // A refusal is no reason to fail.
        SQLSetStmtAttr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                       attributeValue(static_cast<std::uintptr_t>(timeouts.commandSeconds)), SQL_IS_UINTEGER);
    }
    const SQLRETURN rc = api::execDirect(stmt.get(), sql);
    if (rc == SQL_NO_DATA) {
        // An UPDATE or DELETE that touched no row.
        setRecordsAffected(recordsAffected, 0);
        return Recordset();
    }
    check(rc, stmt, source);

    SQLSMALLINT columnCount = 0;
    check(SQLNumResultCols(stmt.get(), &columnCount), stmt, source);
    if (columnCount <= 0) {
        SQLLEN count = 0;
        check(SQLRowCount(stmt.get(), &count), stmt, source);
        setRecordsAffected(recordsAffected, static_cast<long>(count));
        return Recordset();
    }
    Columns columns = describeColumns(stmt, columnCount, source);
    auto rows = fetchRows(stmt, columnCount, source);
    setRecordsAffected(recordsAffected, -1);
    return Recordset(std::move(columns.names), std::move(columns.kinds), std::move(rows));
}

} // namespace ob::odbc
