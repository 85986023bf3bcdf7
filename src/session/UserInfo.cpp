// The logged-in user's level, id and full name.
#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"
#include "link/Link.h"

namespace ob {

void Link::GetUserInfo(const std::string& userName)
{
    WriteLog("Getting user information...");
    odbc::Recordset rs;
    try {
        const std::string sql = "SELECT * FROM ob.UserList WHERE obuser=" + odbc::quoteLiteral(userName);
        WriteLog(sql);
        rs = runQuery(sql);
        if (rs.RecordCount() < 1) {
            WriteLog("User record NOT found...");
            m_userLevel = -1;
            m_userID.clear();
            m_userFullName.clear();
        } else {
            WriteLog("User record found...");
            rs.MoveFirst();
            m_userLevel = rs.Fields("OBLevel").toInt16(m_env.regional);
            WriteLog("User access level: " + regional::formatInteger(m_userLevel));
            m_userID = rs.Fields("OBUser").toText();
            WriteLog("User ID: " + m_userID);
            m_userFullName = rs.Fields("Name").toText();
            WriteLog("User full name: " + m_userFullName);
        }
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in GetUserInfo(): " + text);
        SetError("Could not get user info due to the following error: " + text);
    }
    WriteUserInfo();
    rs.Close();
}

void Link::ResetUserInfo()
{
    WriteLog("Resetting user info...");
    m_userLevel = -1;
    m_userID.clear();
    m_userFullName.clear();
    WriteUserInfo();
}

void Link::WriteUserInfo()
{
    // One replacement of the file: PYRALIS II reads them only once Busy is False.
    IniFile::KeyBatch user;
    user.WriteInteger(keys::UserLevel, m_userLevel, "");
    user.WriteString(keys::UserID, m_userID);
    user.WriteString(keys::UserFullName, m_userFullName);
    m_exchange.setSection(keys::OBLogin);
    m_exchange.WriteKeys(user);
}

} // namespace ob
