// /WRITESTD: the standards used by the calibration in progress.
#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"
#include "link/Link.h"

namespace ob {

namespace {
Failure noCalibrationInProgress()
{
    return Failure(5, "Invalid procedure call or argument: no calibration record is in progress");
}
} // namespace

void Link::AttachStandards()
{
    WriteLog("Associating standard assets (test equipment) to current calibration record...");
    if (!m_linkActive) {
        return;
    }
    std::string assetNumber;
    try {
        // Rows under an empty calibration key could never be found again.
        if (m_calATAG.empty() || m_calCTAG.empty()) {
            throw noCalibrationInProgress();
        }
        const std::int16_t count = readInt(keys::Standards, "Count");
        WriteLog("There are " + regional::formatInteger(count) + " assets to associate...");
        for (int n = 1; n <= count; ++n) {
            WriteLog("Getting asset " + regional::formatInteger(n) + "...");
            assetNumber = readText(keys::Standards, "AssetNumber" + regional::formatInteger(n));
            WriteLog("Asset number: " + assetNumber);
            const std::string standardATAG = GetATAG(assetNumber);
            // A row without the standard's own tag would not say which
            // standard was used.
            if (standardATAG.empty()) {
                throw Failure(5, "Invalid procedure call or argument: the standard's asset number '" + assetNumber +
                                     "' was not found in the ORBISTA database");
            }
            WriteLog("Attaching standard asset number " + assetNumber + " to current calibration record...");
            const std::string sql = "INSERT INTO ob.Standards (ATAG,CTAG," + QualifyColumn("2430", "C") +
                                    ") Values (" + odbc::quoteLiteral(m_calATAG) + ", " +
                                    odbc::quoteLiteral(m_calCTAG) + ", " + odbc::quoteLiteral(standardATAG) + ");";
            WriteLog(sql);
            m_connection->setCursorLocation(odbc::CursorLocation::Client);
            // A row cut off after its time is rolled back, never kept while reported as failed.
            odbc::Transaction transaction(*m_connection);
            m_connection->Execute(sql);
            transaction.commit();
            WriteLog("Successfully attached standard (" + assetNumber + ") to current calibration record");
        }
    } catch (...) {
        const Failure failure = currentFailure();
        SetError("Could not attach standard asset (" + assetNumber +
                 ") to current calibration record due to the following error: " + ErrorText(failure));
    }
}

} // namespace ob
