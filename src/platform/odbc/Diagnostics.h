#pragma once
// The one checking function for ODBC return codes. A failure carries every
// diagnostic record of the handle ("<text> (SQLSTATE xxxxx)", several joined by
// "; ") as a database Failure; SQL_SUCCESS_WITH_INFO counts as success.

#include "platform/odbc/Sql.h"

#include <string>
#include <vector>

#include "platform/odbc/Handle.h"

namespace ob::odbc {

struct DiagnosticRecord {
    std::string sqlState;
    SQLINTEGER nativeError = 0;
    std::string message;
};

std::vector<DiagnosticRecord> diagnosticRecords(SQLSMALLINT type, SQLHANDLE handle);
// "<text> (SQLSTATE xxxxx)" per record, joined by "; ".
std::string diagnosticText(const std::vector<DiagnosticRecord>& records);

inline bool succeeded(SQLRETURN rc) noexcept { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Raises the handle's diagnostics as Failure(kDatabaseError, text, source).
[[noreturn]] void raiseDiagnostics(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& source);

inline void check(SQLRETURN rc, const Handle& handle, const std::string& source)
{
    if (!succeeded(rc)) {
        raiseDiagnostics(rc, handle.type(), handle.get(), source);
    }
}

} // namespace ob::odbc
