// /WRITESTD: the standards used by the calibration in progress.
#include "calibration/Standards.h"

#include "assets/AssetLookup.h"
#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "context/Messages.h"
#include "platform/regional/Conversions.h"

namespace ob {

namespace {
Failure noCalibrationInProgress()
{
    return Failure(5, "Invalid procedure call or argument: no calibration record is in progress");
}
} // namespace

void Standards::AttachStandards()
{
    m_ctx.WriteLog("Associating standard assets (test equipment) to current calibration record...");
    if (!m_session.LinkActive()) {
        return;
    }
    std::string assetNumber;
    try {
        // Rows under an empty calibration key could never be found again.
        if (!m_calibration.active()) {
            throw noCalibrationInProgress();
        }
        const std::int16_t count = m_ctx.exchange().readInt(keys::Standards, keys::Count);
        m_ctx.WriteLog("There are " + regional::formatInteger(count) + " assets to associate...");
        for (int n = 1; n <= count; ++n) {
            m_ctx.WriteLog("Getting asset " + regional::formatInteger(n) + "...");
            assetNumber = m_ctx.exchange().readText(keys::Standards, keys::AssetNumber + regional::formatInteger(n));
            m_ctx.WriteLog("Asset number: " + assetNumber);
            const std::string standardATAG = GetATAG(m_ctx, m_session, assetNumber);
            // A row without the standard's own tag would not say which
            // standard was used.
            if (standardATAG.empty()) {
                throw Failure(5, "Invalid procedure call or argument: the standard's asset number '" + assetNumber +
                                     "' was not found in the ORBISTA database");
            }
            m_ctx.WriteLog("Attaching standard asset number " + assetNumber + " to current calibration record...");
            const std::string sql = "INSERT INTO ob.Standards (ATAG,CTAG," + QualifyColumn("2430", "C") + ") Values (" +
                                    odbc::quoteLiteral(m_calibration.ATAG()) + ", " +
                                    odbc::quoteLiteral(m_calibration.CTAG()) + ", " + odbc::quoteLiteral(standardATAG) +
                                    ");";
            m_ctx.WriteLog(sql);
            odbc::Connection& connection = m_session.connection();
            connection.setCursorLocation(odbc::CursorLocation::Client);
            // A row cut off after its time is rolled back, never kept while reported as failed.
            odbc::Transaction transaction(connection);
            connection.Execute(sql);
            transaction.commit();
            m_ctx.WriteLog("Successfully attached standard (" + assetNumber + ") to current calibration record");
        }
    } catch (...) {
        ReportFailure(m_ctx, "Could not attach standard asset (" + assetNumber + ") to current calibration record");
    }
}

} // namespace ob
