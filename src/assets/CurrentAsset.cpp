// Locating the instrument under test in the inventory.
#include "assets/CurrentAsset.h"

#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "context/Messages.h"
#include "platform/regional/Conversions.h"

namespace ob {

namespace {

// "<column>=<literal>": every value from outside goes through the one quoting function.
std::string equals(const std::string& column, const std::string& value)
{
    return column + "=" + odbc::quoteLiteral(value);
}

} // namespace

CurrentAsset::CurrentAsset(Context& context, Session& session)
    : m_ctx(context), m_session(session), m_status(context, session)
{
}

void CurrentAsset::LocateAsset()
{
    m_asset.Reset();
    odbc::Recordset rs;
    try {
        if (m_session.LinkActive()) {
            m_asset.Model = m_ctx.exchange().readText(keys::CurrentAsset, keys::Model);
            m_asset.Serial = m_ctx.exchange().readText(keys::CurrentAsset, keys::Serial);
            m_asset.Mfg = m_ctx.exchange().readText(keys::CurrentAsset, keys::Mfg);
            m_ctx.WriteLog("Locating asset (" + m_asset.Model + "," + m_asset.Serial + "," + m_asset.Mfg + ")...");
            const std::string sql = "SELECT * FROM ob.Inventory WHERE " +
                                    equals(QualifyColumn("I4203", "I"), m_asset.Model) + " AND " +
                                    equals(QualifyColumn("I4206", "I"), m_asset.Serial) + " AND " +
                                    equals(QualifyColumn("I4202", "I"), m_asset.Mfg);
            m_ctx.WriteLog(sql);
            rs = m_session.query(sql);
            if (rs.RecordCount() < 1) {
                m_ctx.WriteLog("Asset not found");
            } else {
                m_ctx.WriteLog("Asset record found!");
                rs.MoveFirst();
                m_asset.AssetNumber = rs.Fields(QualifyColumn("I4201", "I")).toText();
                m_asset.Model = rs.Fields(QualifyColumn("I4203", "I")).toText();
                m_asset.Serial = rs.Fields(QualifyColumn("I4206", "I")).toText();
                m_asset.Mfg = rs.Fields(QualifyColumn("I4202", "I")).toText();
                m_ctx.WriteLog("Asset: " + m_asset.AssetNumber + " Model: " + m_asset.Model +
                               " Serial: " + m_asset.Serial + " Mfg: " + m_asset.Mfg);
                GetCurrentAssetInfo();
                m_status.GetLastCalibration(m_asset);
            }
        }
        WriteCurrentAsset();
    } catch (...) {
        ReportFailure(m_ctx, "Could not locate asset");
    }
    rs.Close();
}

void CurrentAsset::GetCurrentAssetInfo()
{
    if (!m_session.LinkActive()) {
        return;
    }
    if (m_asset.AssetNumber.empty()) {
        m_ctx.WriteLog("Cannot get current asset information because asset number is not set.");
        return;
    }
    odbc::Recordset rs;
    try {
        m_ctx.WriteLog("Getting current asset information for asset number '" + m_asset.AssetNumber + "'...");
        const std::string sql =
            "SELECT * FROM ob.Inventory WHERE " + equals(QualifyColumn("I4201", "I"), m_asset.AssetNumber);
        m_ctx.WriteLog(sql);
        rs = m_session.query(sql);
        if (rs.RecordCount() < 1) {
            m_ctx.WriteLog("Cannot get current asset information because the asset number was not found.");
        } else {
            m_ctx.WriteLog("Asset record found!");
            rs.MoveFirst();
            m_asset.ATAG = rs.Fields("ATAG").toTextOrEmpty();
            m_asset.Description = rs.Fields(QualifyColumn("I4204", "I")).toTextOrEmpty();
            m_asset.Interval = regional::toInt32(regional::val(rs.Fields(QualifyColumn("I4229", "I")).toTextOrEmpty()));
            m_asset.IntervalUnits =
                AssetRecord::ConvUnitsToOBIU(rs.Fields(QualifyColumn("I4228", "I")).toTextOrEmpty());
            m_asset.InCal = m_status.CheckInCal(m_asset);
        }
    } catch (...) {
        ReportFailure(m_ctx, "Could not get current asset information");
    }
    rs.Close();
}

void CurrentAsset::WriteCurrentAsset()
{
    const regional::RegionalSettings& rs = m_ctx.regional();
    // One replacement of the file for the whole section: PYRALIS II reads it
    // only once Busy is False.
    IniFile::KeyBatch asset;
    asset.WriteString(keys::AssetNumber, m_asset.AssetNumber);
    asset.WriteString(keys::Mfg, m_asset.Mfg);
    asset.WriteString(keys::Description, m_asset.Description);
    asset.WriteString(keys::Model, m_asset.Model);
    asset.WriteString(keys::Serial, m_asset.Serial);
    asset.WriteString(keys::ATAG, m_asset.ATAG);
    asset.WriteString(keys::CTAG, m_asset.CTAG);
    asset.WriteLong(keys::Interval, m_asset.Interval);
    asset.WriteString(keys::IntervalUnits, AssetRecord::ConvOBIUToIntervalCode(m_asset.IntervalUnits));
    asset.WriteString(keys::CalDate,
                      m_asset.CalDate == regional::kZeroDate ? "" : regional::formatShortDate(m_asset.CalDate, rs));
    asset.WriteString(keys::CalTime, regional::formatTextLongTime(m_asset.CalTime, rs, m_ctx.currentYear()));
    const regional::DateValue recal = m_asset.GetRecalDate();
    asset.WriteString(keys::RecalDate, recal == regional::kZeroDate ? "" : regional::formatShortDate(recal, rs));
    asset.WriteBoolean(keys::InCal, m_asset.InCal);
    m_ctx.exchange().writeKeys(keys::CurrentAsset, asset);
}

} // namespace ob
