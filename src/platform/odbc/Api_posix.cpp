// The text-carrying ODBC calls on unixODBC: UTF-8 through the narrow entry points.

#include "platform/odbc/Api.h"

#include <algorithm>
#include <vector>

namespace ob::odbc::api {

namespace {

constexpr std::size_t kChunk = 8192;

SQLCHAR* sqlText(const std::string& text)
{
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

bool ok(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

std::string textOf(const SQLCHAR* buffer, SQLSMALLINT length, std::size_t capacity)
{
    const std::size_t n = std::min(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), capacity - 1);
    return std::string(reinterpret_cast<const char*>(buffer), n);
}

} // namespace

SQLRETURN driverConnect(SQLHDBC dbc, const std::string& connectionText)
{
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    return SQLDriverConnect(dbc, nullptr, sqlText(connectionText), static_cast<SQLSMALLINT>(connectionText.size()),
                            out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
}

SQLRETURN execDirect(SQLHSTMT stmt, const std::string& sql)
{
    return SQLExecDirect(stmt, sqlText(sql), static_cast<SQLINTEGER>(sql.size()));
}

SQLRETURN describeColumn(SQLHSTMT stmt, SQLUSMALLINT column, std::string& name, SQLSMALLINT& type)
{
    std::vector<SQLCHAR> buffer(256);
    SQLSMALLINT length = 0;
    SQLULEN size = 0;
    SQLSMALLINT decimals = 0;
    SQLSMALLINT nullable = 0;
    SQLRETURN rc = SQLDescribeCol(stmt, column, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length,
                                  &type, &size, &decimals, &nullable);
    if (ok(rc) && length >= static_cast<SQLSMALLINT>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLDescribeCol(stmt, column, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length, &type,
                            &size, &decimals, &nullable);
    }
    if (ok(rc))
        name = textOf(buffer.data(), length, buffer.size());
    return rc;
}

SQLRETURN infoText(SQLHDBC dbc, SQLUSMALLINT what, std::string& text)
{
    SQLCHAR buffer[256] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLGetInfo(dbc, what, buffer, sizeof buffer, &length);
    if (ok(rc))
        text = textOf(buffer, length, sizeof buffer);
    return rc;
}

SQLRETURN dataSource(SQLHENV env, SQLUSMALLINT direction, std::string& name, std::string& description)
{
    SQLCHAR nameBuffer[SQL_MAX_DSN_LENGTH + 1] = {};
    SQLCHAR descriptionBuffer[512] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    const SQLRETURN rc = SQLDataSources(env, direction, nameBuffer, sizeof nameBuffer, &nameLength, descriptionBuffer,
                                        sizeof descriptionBuffer, &descriptionLength);
    if (ok(rc)) {
        name = textOf(nameBuffer, nameLength, sizeof nameBuffer);
        description = textOf(descriptionBuffer, descriptionLength, sizeof descriptionBuffer);
    }
    return rc;
}

SQLRETURN diagnosticRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, std::string& state,
                           SQLINTEGER& native, std::string& message)
{
    SQLCHAR stateBuffer[SQL_SQLSTATE_SIZE + 1] = {};
    std::vector<SQLCHAR> text(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(type, handle, record, stateBuffer, &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
        // The message was cut; ask again with room for all of it.
        text.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRec(type, handle, record, stateBuffer, &native, text.data(),
                           static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (ok(rc)) {
        state.assign(reinterpret_cast<const char*>(stateBuffer));
        message = textOf(text.data(), length, text.size());
    }
    return rc;
}

SQLRETURN textData(SQLHSTMT stmt, SQLUSMALLINT column, std::optional<std::string>& value)
{
    std::string text;
    std::vector<char> buffer(kChunk);
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(stmt, column, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()), &indicator);
        if (rc == SQL_NO_DATA)
            break; // every part has been read
        if (!ok(rc))
            return rc;
        if (indicator == SQL_NULL_DATA) {
            value.reset();
            return SQL_SUCCESS;
        }
        if (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(buffer.size())) {
            // A full part: the buffer less its terminating zero; more follows.
            text.append(buffer.data(), buffer.size() - 1);
            continue;
        }
        text.append(buffer.data(), static_cast<std::size_t>(indicator));
        break;
    }
    value = std::move(text);
    return SQL_SUCCESS;
}

} // namespace ob::odbc::api
