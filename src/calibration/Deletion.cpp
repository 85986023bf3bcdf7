// Removing one calibration record with its results and standards.
#include "platform/regional/Conversions.h"
#include "link/Link.h"

namespace ob {

void Link::DeleteCalibrationRecords(const std::string& ctag, bool& result, std::optional<Failure>* failureOut)
{
    result = false;
    try {
        WriteLog("Deleting calibration records for CTAG '" + ctag + "'...");
        // The three deletions commit together or not at all; inside a
        // creation this is a savepoint of the creation's transaction.
        odbc::Transaction transaction(*m_connection);
        for (const char* table : {"ob.Results", "ob.Standards", "ob.Calibration"}) {
            const std::string sql = std::string("DELETE FROM ") + table + " WHERE CTAG=" + odbc::quoteLiteral(ctag);
            WriteLog(sql);
            m_connection->setCursorLocation(odbc::CursorLocation::Server);
            long affected = 0;
            m_connection->Execute(sql, &affected);
            WriteLog("Records deleted: " + regional::formatInteger(affected));
        }
        transaction.commit();
        result = true;
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in DeleteCalibrationRecords(): " + text);
        SetError("Could not delete calibration records for CTAG '" + ctag + "' due to the following error: " + text);
        if (failureOut != nullptr) {
            *failureOut = failure;
        }
    }
}

} // namespace ob
