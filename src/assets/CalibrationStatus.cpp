// The current asset's most recent calibration and its in-calibration state.
#include "assets/CalibrationStatus.h"

#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "context/Messages.h"
#include "platform/regional/Conversions.h"

namespace ob {

namespace {

std::string mostRecentCalibrationQuery(const std::string& atag)
{
    return "SELECT * FROM ob.Calibration WHERE ATAG=" + odbc::quoteLiteral(atag) + " AND C2339='1'";
}

} // namespace

bool CalibrationStatus::CheckInCal(const AssetRecord& asset)
{
    bool result = false;
    if (!m_session.LinkActive()) {
        return result;
    }
    if (asset.AssetNumber.empty()) {
        m_ctx.WriteLog("Cannot check if current asset is in cal because asset number is not set.");
        return false;
    }
    odbc::Recordset rs;
    try {
        m_ctx.WriteLog("Checking if asset '" + asset.AssetNumber + "' is currently in cal...");
        const std::string sql = mostRecentCalibrationQuery(asset.ATAG);
        m_ctx.WriteLog(sql);
        rs = m_session.query(sql);
        if (rs.RecordCount() < 1) {
            m_ctx.WriteLog("Asset's most recent calibration record NOT found");
        } else {
            m_ctx.WriteLog("Asset calibration record found!");
            rs.MoveFirst();
            const odbc::Field dueDate = rs.Fields(QualifyColumn("C2303", "C"));
            if (dueDate.isNull()) {
                m_ctx.WriteLog("Current asset does not have a due date (calibration is not required)!");
            } else {
                regional::DateValue due = dueDate.toDate(m_ctx.regional(), m_ctx.currentYear());
                const odbc::Field dueTime = rs.Fields(QualifyColumn("C2334", "C"));
                if (!dueTime.isNull()) {
                    due = regional::addDays(due, dueTime.toDate(m_ctx.regional(), m_ctx.currentYear()));
                }
                m_ctx.WriteLog("Current asset cal due: " + regional::formatGeneralDate(due, m_ctx.regional()));
                if (due > m_ctx.now()) {
                    result = true;
                    m_ctx.WriteLog("Current asset is in cal!");
                } else {
                    m_ctx.WriteLog("Current asset is NOT in cal!");
                }
            }
        }
    } catch (...) {
        result = false;
        ReportFailure(m_ctx, "Could not check if current asset is in cal");
    }
    rs.Close();
    return result;
}

void CalibrationStatus::GetLastCalibration(AssetRecord& asset)
{
    if (!m_session.LinkActive()) {
        return;
    }
    if (asset.ATAG.empty()) {
        m_ctx.WriteLog("Cannot get current asset most recent calibration information besause ATAG is not set.");
        return;
    }
    odbc::Recordset rs;
    try {
        m_ctx.WriteLog("Getting current asset most recent calibration information for asset number '" +
                       asset.AssetNumber + "'...");
        const std::string sql = mostRecentCalibrationQuery(asset.ATAG);
        m_ctx.WriteLog(sql);
        rs = m_session.query(sql);
        if (rs.RecordCount() < 1) {
            m_ctx.WriteLog("There is no most recent calibration record for ATAG '" + asset.ATAG + "'");
            asset.CTAG.clear();
            asset.CalDate = regional::kZeroDate;
            asset.CalTime.clear();
        } else {
            m_ctx.WriteLog("Asset calibration record found!");
            rs.MoveFirst();
            asset.CTAG = rs.Fields("CTAG").toText();
            m_ctx.WriteLog("CTAG: '" + asset.CTAG + "'");
            const odbc::Field calDate = rs.Fields(QualifyColumn("C2301", "C"));
            if (!calDate.isNull()) {
                asset.CalDate = calDate.toDate(m_ctx.regional(), m_ctx.currentYear());
                m_ctx.WriteLog("CalDate: '" + regional::formatShortDate(asset.CalDate, m_ctx.regional()) + "'");
            }
            const odbc::Field calTime = rs.Fields(QualifyColumn("C2333", "C"));
            if (!calTime.isNull()) {
                asset.CalTime = calTime.toText();
                m_ctx.WriteLog("CalTime: '" + asset.CalTime + "'");
            }
        }
    } catch (...) {
        ReportFailure(m_ctx, "Could not get asset most recent calibration information");
    }
    rs.Close();
}

} // namespace ob
