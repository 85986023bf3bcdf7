// Locating the instrument under test in the inventory.
#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"
#include "link/Link.h"

namespace ob {

namespace {

// "<column>=<literal>": every value from outside goes through the one quoting function.
std::string equals(const std::string& column, const std::string& value)
{
    return column + "=" + odbc::quoteLiteral(value);
}

} // namespace

void Link::LocateAsset()
{
    m_asset.Reset();
    odbc::Recordset rs;
    try {
        if (m_linkActive) {
            m_asset.Model = readText(keys::CurrentAsset, "Model");
            m_asset.Serial = readText(keys::CurrentAsset, "Serial");
            m_asset.Mfg = readText(keys::CurrentAsset, "Mfg");
            WriteLog("Locating asset (" + m_asset.Model + "," + m_asset.Serial + "," + m_asset.Mfg + ")...");
            const std::string sql = "SELECT * FROM ob.Inventory WHERE " + equals(QualifyColumn("I4203", "I"), m_asset.Model) +
                                    " AND " + equals(QualifyColumn("I4206", "I"), m_asset.Serial) + " AND " +
                                    equals(QualifyColumn("I4202", "I"), m_asset.Mfg);
            WriteLog(sql);
            rs = runQuery(sql);
            if (rs.RecordCount() < 1) {
                WriteLog("Asset not found");
            } else {
                WriteLog("Asset record found!");
                rs.MoveFirst();
                m_asset.AssetNumber = rs.Fields(QualifyColumn("I4201", "I")).toText();
                m_asset.Model = rs.Fields(QualifyColumn("I4203", "I")).toText();
                m_asset.Serial = rs.Fields(QualifyColumn("I4206", "I")).toText();
                m_asset.Mfg = rs.Fields(QualifyColumn("I4202", "I")).toText();
                WriteLog("Asset: " + m_asset.AssetNumber + " Model: " + m_asset.Model + " Serial: " + m_asset.Serial +
                         " Mfg: " + m_asset.Mfg);
                GetCurrentAssetInfo();
                GetLastCalibration();
            }
        }
        WriteCurrentAsset();
    } catch (...) {
        const Failure failure = currentFailure();
        SetError("Could not locate asset due to the following error: " + ErrorText(failure));
    }
    rs.Close();
}

void Link::GetCurrentAssetInfo()
{
    if (!m_linkActive) {
        return;
    }
    if (m_asset.AssetNumber.empty()) {
        WriteLog("Cannot get current asset information because asset number is not set.");
        return;
    }
    odbc::Recordset rs;
    try {
        WriteLog("Getting current asset information for asset number '" + m_asset.AssetNumber + "'...");
        const std::string sql =
            "SELECT * FROM ob.Inventory WHERE " + equals(QualifyColumn("I4201", "I"), m_asset.AssetNumber);
        WriteLog(sql);
        rs = runQuery(sql);
        if (rs.RecordCount() < 1) {
            WriteLog("Cannot get current asset information because the asset number was not found.");
        } else {
            WriteLog("Asset record found!");
            rs.MoveFirst();
            m_asset.ATAG = rs.Fields("ATAG").toTextOrEmpty();
            m_asset.Description = rs.Fields(QualifyColumn("I4204", "I")).toTextOrEmpty();
            m_asset.Interval =
                regional::toInt32(regional::val(rs.Fields(QualifyColumn("I4229", "I")).toTextOrEmpty()));
            m_asset.IntervalUnits = AssetRecord::ConvUnitsToOBIU(rs.Fields(QualifyColumn("I4228", "I")).toTextOrEmpty());
            m_asset.InCal = CheckInCal();
        }
    } catch (...) {
        const Failure failure = currentFailure();
        SetError("Could not get current asset information due to the following error: " + ErrorText(failure));
    }
    rs.Close();
}

std::string Link::GetATAG(const std::string& assetNumber)
{
    std::string result;
    odbc::Recordset rs;
    try {
        WriteLog("Getting ATAG for asset number '" + assetNumber + "'...");
        rs = runQuery("SELECT ATAG FROM ob.AssetList WHERE " + equals(QualifyColumn("I4201", "I"), assetNumber));
        if (rs.RecordCount() < 1) {
            WriteLog("Unable to locate ATAG");
        } else {
            rs.MoveFirst();
            const odbc::Field atag = rs.Fields("ATAG");
            WriteLog("ATAG: " + atag.toTextOrEmpty());
            result = atag.toText();
        }
    } catch (...) {
        const Failure failure = currentFailure();
        WriteLog("Error getting ATAG for asset number '" + assetNumber + "': " + failure.description());
    }
    rs.Close();
    return result;
}

} // namespace ob
