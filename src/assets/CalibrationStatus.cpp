// The current asset's most recent calibration and its in-calibration state.
#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"
#include "link/Link.h"

namespace ob {

namespace {

std::string mostRecentCalibrationQuery(const std::string& atag)
{
    return "SELECT * FROM ob.Calibration WHERE ATAG=" + odbc::quoteLiteral(atag) + " AND C2339='1'";
}

} // namespace

bool Link::CheckInCal()
{
    bool result = false;
    if (!m_linkActive) {
        return result;
    }
    if (m_asset.AssetNumber.empty()) {
        WriteLog("Cannot check if current asset is in cal because asset number is not set.");
        return false;
    }
    odbc::Recordset rs;
    try {
        WriteLog("Checking if asset '" + m_asset.AssetNumber + "' is currently in cal...");
        const std::string sql = mostRecentCalibrationQuery(m_asset.ATAG);
        WriteLog(sql);
        rs = runQuery(sql);
        if (rs.RecordCount() < 1) {
            WriteLog("Asset's most recent calibration record NOT found");
        } else {
            WriteLog("Asset calibration record found!");
            rs.MoveFirst();
            const odbc::Field dueDate = rs.Fields(QualifyColumn("C2303", "C"));
            if (dueDate.isNull()) {
                WriteLog("Current asset does not have a due date (calibration is not required)!");
            } else {
                regional::DateValue due = dueDate.toDate(m_env.regional, currentYear());
                const odbc::Field dueTime = rs.Fields(QualifyColumn("C2334", "C"));
                if (!dueTime.isNull()) {
                    due = regional::addDays(due, dueTime.toDate(m_env.regional, currentYear()));
                }
                WriteLog("Current asset cal due: " + regional::formatGeneralDate(due, m_env.regional));
                if (due > nowValue()) {
                    result = true;
                    WriteLog("Current asset is in cal!");
                } else {
                    WriteLog("Current asset is NOT in cal!");
                }
            }
        }
    } catch (...) {
        const Failure failure = currentFailure();
        result = false;
        SetError("Could not check if current asset is in cal due to the following error: " + ErrorText(failure));
    }
    rs.Close();
    return result;
}

void Link::GetLastCalibration()
{
    if (!m_linkActive) {
        return;
    }
    if (m_asset.ATAG.empty()) {
        WriteLog("Cannot get current asset most recent calibration information besause ATAG is not set.");
        return;
    }
    odbc::Recordset rs;
    try {
        WriteLog("Getting current asset most recent calibration information for asset number '" +
                 m_asset.AssetNumber + "'...");
        const std::string sql = mostRecentCalibrationQuery(m_asset.ATAG);
        WriteLog(sql);
        rs = runQuery(sql);
        if (rs.RecordCount() < 1) {
            WriteLog("There is no most recent calibration record for ATAG '" + m_asset.ATAG + "'");
            m_asset.CTAG.clear();
            m_asset.CalDate = regional::kZeroDate;
            m_asset.CalTime.clear();
        } else {
            WriteLog("Asset calibration record found!");
            rs.MoveFirst();
            m_asset.CTAG = rs.Fields("CTAG").toText();
            WriteLog("CTAG: '" + m_asset.CTAG + "'");
            const odbc::Field calDate = rs.Fields(QualifyColumn("C2301", "C"));
            if (!calDate.isNull()) {
                m_asset.CalDate = calDate.toDate(m_env.regional, currentYear());
                WriteLog("CalDate: '" + regional::formatShortDate(m_asset.CalDate, m_env.regional) + "'");
            }
            const odbc::Field calTime = rs.Fields(QualifyColumn("C2333", "C"));
            if (!calTime.isNull()) {
                m_asset.CalTime = calTime.toText();
                WriteLog("CalTime: '" + m_asset.CalTime + "'");
            }
        }
    } catch (...) {
        const Failure failure = currentFailure();
        SetError("Could not get asset most recent calibration information due to the following error: " +
                 ErrorText(failure));
    }
    rs.Close();
}

void Link::WriteCurrentAsset()
{
    const regional::RegionalSettings& rs = m_env.regional;
    // One replacement of the file for the whole section: PYRALIS II reads it
    // only once Busy is False.
    IniFile::KeyBatch asset;
    asset.WriteString("AssetNumber", m_asset.AssetNumber);
    asset.WriteString("Mfg", m_asset.Mfg);
    asset.WriteString("Description", m_asset.Description);
    asset.WriteString("Model", m_asset.Model);
    asset.WriteString("Serial", m_asset.Serial);
    asset.WriteString("ATAG", m_asset.ATAG);
    asset.WriteString("CTAG", m_asset.CTAG);
    asset.WriteLong("Interval", m_asset.Interval, "");
    asset.WriteString("IntervalUnits", AssetRecord::ConvOBIUToIntervalCode(m_asset.IntervalUnits));
    asset.WriteString("CalDate",
                      m_asset.CalDate == regional::kZeroDate ? "" : regional::formatShortDate(m_asset.CalDate, rs));
    asset.WriteString("CalTime", regional::formatTextLongTime(m_asset.CalTime, rs, currentYear()));
    const regional::DateValue recal = m_asset.GetRecalDate();
    asset.WriteString("RecalDate", recal == regional::kZeroDate ? "" : regional::formatShortDate(recal, rs));
    asset.WriteBoolean("InCal", m_asset.InCal);
    m_exchange.setSection(keys::CurrentAsset);
    m_exchange.WriteKeys(asset);
}

} // namespace ob
