#pragma once
// UserInfo: the logged-in user's level, id and full name, read from
// ob.UserList and written to [OBLogin] for PYRALIS II.

#include <cstdint>
#include <string>

#include "context/Context.h"

namespace ob {

namespace odbc {
class Connection;
}

class UserInfo {
public:
    explicit UserInfo(Context& context) : m_ctx(context) {}

    void GetUserInfo(odbc::Connection* connection, const std::string& userName);
    void ResetUserInfo();
    void WriteUserInfo();

    std::int16_t UserLevel() const { return m_userLevel; }
    const std::string& UserID() const { return m_userID; }
    const std::string& UserFullName() const { return m_userFullName; }

private:
    Context& m_ctx;
    std::int16_t m_userLevel = 0;
    std::string m_userID;
    std::string m_userFullName;
};

} // namespace ob
