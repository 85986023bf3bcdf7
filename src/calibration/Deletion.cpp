// Removing one calibration record with its results and standards.
#include "calibration/Deletion.h"

#include "context/Messages.h"
#include "platform/regional/Conversions.h"

namespace ob {

void DeleteCalibrationRecords(Context& context, Session& session, const std::string& ctag, bool& result,
                              std::optional<Failure>* failureOut)
{
    result = false;
    try {
        context.WriteLog("Deleting calibration records for CTAG '" + ctag + "'...");
        // The three deletions commit together or not at all; inside a
        // creation they are part of the creation's transaction.
        odbc::Connection& connection = session.connection();
        odbc::Transaction transaction(connection);
        for (const char* table : {"ob.Results", "ob.Standards", "ob.Calibration"}) {
            const std::string sql = std::string("DELETE FROM ") + table + " WHERE CTAG=" + odbc::quoteLiteral(ctag);
            context.WriteLog(sql);
            connection.setCursorLocation(odbc::CursorLocation::Server);
            long affected = 0;
            connection.Execute(sql, &affected);
            context.WriteLog("Records deleted: " + regional::formatInteger(affected));
        }
        transaction.commit();
        result = true;
    } catch (...) {
        const Failure failure = ReportFailure(context, "Could not delete calibration records for CTAG '" + ctag + "'",
                                              "DeleteCalibrationRecords");
        if (failureOut != nullptr) {
            *failureOut = failure;
        }
    }
}

} // namespace ob
