// The logged-in user's level, id and full name.
#include "session/UserInfo.h"

#include "context/ExchangeKeys.h"
#include "context/Messages.h"
#include "platform/regional/Conversions.h"
#include "session/Query.h"

namespace ob {

void UserInfo::GetUserInfo(odbc::Connection* connection, const std::string& userName)
{
    m_ctx.WriteLog("Getting user information...");
    odbc::Recordset rs;
    try {
        const std::string sql = "SELECT * FROM ob.UserList WHERE obuser=" + odbc::quoteLiteral(userName);
        m_ctx.WriteLog(sql);
        rs = runQuery(connection, sql);
        if (rs.RecordCount() < 1) {
            m_ctx.WriteLog("User record NOT found...");
            m_userLevel = -1;
            m_userID.clear();
            m_userFullName.clear();
        } else {
            m_ctx.WriteLog("User record found...");
            rs.MoveFirst();
            m_userLevel = rs.Fields("OBLevel").toInt16(m_ctx.regional());
            m_ctx.WriteLog("User access level: " + regional::formatInteger(m_userLevel));
            m_userID = rs.Fields("OBUser").toText();
            m_ctx.WriteLog("User ID: " + m_userID);
            m_userFullName = rs.Fields("Name").toText();
            m_ctx.WriteLog("User full name: " + m_userFullName);
        }
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        m_ctx.WriteLog("Error in GetUserInfo(): " + text);
        m_ctx.SetError("Could not get user info due to the following error: " + text);
    }
    WriteUserInfo();
    rs.Close();
}

void UserInfo::ResetUserInfo()
{
    m_ctx.WriteLog("Resetting user info...");
    m_userLevel = -1;
    m_userID.clear();
    m_userFullName.clear();
    WriteUserInfo();
}

void UserInfo::WriteUserInfo()
{
    // One replacement of the file: PYRALIS II reads them only once Busy is False.
    IniFile::KeyBatch user;
    user.WriteInteger(keys::UserLevel, m_userLevel);
    user.WriteString(keys::UserID, m_userID);
    user.WriteString(keys::UserFullName, m_userFullName);
    m_ctx.exchange().writeKeys(keys::OBLogin, user);
}

} // namespace ob
