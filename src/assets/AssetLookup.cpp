// Finding an asset's ATAG by its number.
#include "assets/AssetLookup.h"

#include "context/ExchangeValues.h"

namespace ob {

std::string GetATAG(Context& context, Session& session, const std::string& assetNumber)
{
    std::string result;
    odbc::Recordset rs;
    try {
        context.WriteLog("Getting ATAG for asset number '" + assetNumber + "'...");
        rs = session.query("SELECT ATAG FROM ob.AssetList WHERE " + QualifyColumn("I4201", "I") + "=" +
                           odbc::quoteLiteral(assetNumber));
        if (rs.RecordCount() < 1) {
            context.WriteLog("Unable to locate ATAG");
        } else {
            rs.MoveFirst();
            const odbc::Field atag = rs.Fields("ATAG");
            context.WriteLog("ATAG: " + atag.toTextOrEmpty());
            result = atag.toText();
        }
    } catch (...) {
        const Failure failure = currentFailure();
        context.WriteLog("Error getting ATAG for asset number '" + assetNumber + "': " + failure.description());
    }
    rs.Close();
    return result;
}

} // namespace ob
