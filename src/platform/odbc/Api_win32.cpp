// The text-carrying ODBC calls on Windows: the wide (W) entry points, UTF-8
// inside converted to and from UTF-16. Never an A-suffixed call: the driver
// would get the ANSI code page, and Wine's odbc32 lacks some of them.

#include "platform/odbc/Api.h"

#include "platform/Failure.h"
#include "platform/win32/Wide.h"

#include <algorithm>
#include <vector>

namespace ob::odbc::api {

namespace {

constexpr std::size_t kChunkCharacters = 4096;

// Text for the driver. Bytes that are not UTF-8 have no UTF-16 form: the
// conversion would put U+FFFD in their place and the database would store
// something else than was given, so such text is refused.
std::wstring driverText(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
    if (n <= 0)
        throw Failure(Failure::kDatabaseError,
                      "The statement holds text that is not valid UTF-8 and cannot reach the database unchanged",
                      "ODBC");
    return win32::wide(text);
}

SQLWCHAR* sqlText(std::wstring& text)
{
    return reinterpret_cast<SQLWCHAR*>(text.data());
}

bool ok(SQLRETURN rc)
{
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// `length` characters of `buffer`, at most its capacity less the terminator.
std::string textOf(const SQLWCHAR* buffer, SQLSMALLINT length, std::size_t capacity)
{
    const std::size_t n = std::min(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), capacity - 1);
    return win32::narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(buffer), n));
}

} // namespace

SQLRETURN driverConnect(SQLHDBC dbc, const std::string& connectionText)
{
    std::wstring text = driverText(connectionText);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    return SQLDriverConnectW(dbc, nullptr, sqlText(text), static_cast<SQLSMALLINT>(text.size()), out,
                             static_cast<SQLSMALLINT>(std::size(out)), &outLength, SQL_DRIVER_NOPROMPT);
}

SQLRETURN execDirect(SQLHSTMT stmt, const std::string& sql)
{
    std::wstring text = driverText(sql);
    return SQLExecDirectW(stmt, sqlText(text), static_cast<SQLINTEGER>(text.size()));
}

SQLRETURN describeColumn(SQLHSTMT stmt, SQLUSMALLINT column, std::string& name, SQLSMALLINT& type)
{
    std::vector<SQLWCHAR> buffer(256);
    SQLSMALLINT length = 0;
    SQLULEN size = 0;
    SQLSMALLINT decimals = 0;
    SQLSMALLINT nullable = 0;
    SQLRETURN rc = SQLDescribeColW(stmt, column, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length,
                                   &type, &size, &decimals, &nullable);
    if (ok(rc) && length >= static_cast<SQLSMALLINT>(buffer.size())) {
        buffer.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLDescribeColW(stmt, column, buffer.data(), static_cast<SQLSMALLINT>(buffer.size()), &length, &type,
                             &size, &decimals, &nullable);
    }
    if (ok(rc))
        name = textOf(buffer.data(), length, buffer.size());
    return rc;
}

SQLRETURN infoText(SQLHDBC dbc, SQLUSMALLINT what, std::string& text)
{
    SQLWCHAR buffer[256] = {};
    SQLSMALLINT bytes = 0;
    const SQLRETURN rc = SQLGetInfoW(dbc, what, buffer, sizeof buffer, &bytes);
    if (ok(rc))
        text = textOf(buffer, static_cast<SQLSMALLINT>(std::max<SQLSMALLINT>(bytes, 0) / sizeof(SQLWCHAR)),
                      std::size(buffer));
    return rc;
}

SQLRETURN dataSource(SQLHENV env, SQLUSMALLINT direction, std::string& name, std::string& description)
{
    SQLWCHAR nameBuffer[SQL_MAX_DSN_LENGTH + 1] = {};
    SQLWCHAR descriptionBuffer[512] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    const SQLRETURN rc = SQLDataSourcesW(env, direction, nameBuffer, static_cast<SQLSMALLINT>(std::size(nameBuffer)),
                                         &nameLength, descriptionBuffer,
                                         static_cast<SQLSMALLINT>(std::size(descriptionBuffer)), &descriptionLength);
    if (ok(rc)) {
        name = textOf(nameBuffer, nameLength, std::size(nameBuffer));
        description = textOf(descriptionBuffer, descriptionLength, std::size(descriptionBuffer));
    }
    return rc;
}

SQLRETURN diagnosticRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, std::string& state,
                           SQLINTEGER& native, std::string& message)
{
    SQLWCHAR stateBuffer[SQL_SQLSTATE_SIZE + 1] = {};
    std::vector<SQLWCHAR> text(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRecW(type, handle, record, stateBuffer, &native, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
        // The message was cut; ask again with room for all of it.
        text.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRecW(type, handle, record, stateBuffer, &native, text.data(),
                            static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (ok(rc)) {
        state = win32::narrow(reinterpret_cast<const wchar_t*>(stateBuffer));
        message = textOf(text.data(), length, text.size());
    }
    return rc;
}

SQLRETURN textData(SQLHSTMT stmt, SQLUSMALLINT column, std::optional<std::string>& value)
{
    // Parts are joined as UTF-16 first: a part may end inside a surrogate pair.
    std::wstring text;
    std::vector<SQLWCHAR> buffer(kChunkCharacters);
    const auto bytes = static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR));
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), bytes, &indicator);
        if (rc == SQL_NO_DATA)
            break; // every part has been read
        if (!ok(rc))
            return rc;
        if (indicator == SQL_NULL_DATA) {
            value.reset();
            return SQL_SUCCESS;
        }
        const auto* characters = reinterpret_cast<const wchar_t*>(buffer.data());
        if (indicator == SQL_NO_TOTAL || indicator >= bytes) {
            // A full part: the buffer less its terminating zero; more follows.
            text.append(characters, buffer.size() - 1);
            continue;
        }
        text.append(characters, static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR));
        break;
    }
    value = win32::narrow(text);
    return SQL_SUCCESS;
}

} // namespace ob::odbc::api
