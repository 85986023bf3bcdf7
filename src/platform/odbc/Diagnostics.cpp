#include "platform/odbc/Diagnostics.h"

#include <algorithm>
#include <charconv>

#include "platform/Failure.h"
#include "platform/odbc/Api.h"

namespace ob::odbc {

namespace {

// Drivers keep a handful of records; the cap only guards against a driver
// that never answers SQL_NO_DATA.
constexpr SQLSMALLINT kMaxRecords = 64;

std::string returnCodeText(SQLRETURN rc)
{
    switch (rc) {
    case SQL_ERROR:
        return "SQL_ERROR";
    case SQL_INVALID_HANDLE:
        return "SQL_INVALID_HANDLE";
    case SQL_NO_DATA:
        return "SQL_NO_DATA";
    case SQL_NEED_DATA:
        return "SQL_NEED_DATA";
    case SQL_STILL_EXECUTING:
        return "SQL_STILL_EXECUTING";
    default:
        break;
    }
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, static_cast<int>(rc));
    (void)ec;
    return "return code " + std::string(digits, end);
}

// Each line break with the blanks around it becomes one space.
std::string oneLine(const std::string& text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\n' && text[i] != '\r') {
            out += text[i++];
            continue;
        }
        while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) {
            out.pop_back();
        }
        while (i < text.size() && (text[i] == '\n' || text[i] == '\r' || text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
        out += ' ';
    }
    return out;
}

} // namespace

std::vector<DiagnosticRecord> diagnosticRecords(SQLSMALLINT type, SQLHANDLE handle)
{
    std::vector<DiagnosticRecord> records;
    if (handle == SQL_NULL_HANDLE) {
        return records;
    }
    for (SQLSMALLINT i = 1; i <= kMaxRecords; ++i) {
        DiagnosticRecord r;
        if (!succeeded(api::diagnosticRecord(type, handle, i, r.sqlState, r.nativeError, r.message))) {
            break;
        }
        // Drivers end some messages with a line break, and psqlODBC breaks
        // them inside too; the log and [General] Error want one line.
        while (!r.message.empty() && (r.message.back() == '\n' || r.message.back() == '\r')) {
            r.message.pop_back();
        }
        r.message = oneLine(r.message);
        records.push_back(std::move(r));
    }
    return records;
}

std::string diagnosticText(const std::vector<DiagnosticRecord>& records)
{
    std::string text;
    for (const DiagnosticRecord& r : records) {
        if (!text.empty()) {
            text += "; ";
        }
        text += r.message;
        text += " (SQLSTATE ";
        text += r.sqlState;
        text += ')';
    }
    return text;
}

void raiseDiagnostics(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& source)
{
    std::string text = diagnosticText(diagnosticRecords(type, handle));
    if (text.empty()) {
        text = "The ODBC call failed without a diagnostic record (" + returnCodeText(rc) + ")";
    }
    throw Failure(Failure::kDatabaseError, std::move(text), source);
}

} // namespace ob::odbc
