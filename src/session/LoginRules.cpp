#include "session/LoginRules.h"

namespace ob {

std::optional<std::pair<std::string, std::string>> loginOkCheck(const std::string& user, const std::string& password)
{
    if (user.empty()) {
        return std::make_pair(std::string("User Name Missing"),
                              std::string("Enter the user name to use to login to the ORBISTA database."));
    }
    if (password.empty()) {
        return std::make_pair(std::string("Password Missing"),
                              std::string("Enter the password to use to login to the ORBISTA database."));
    }
    return std::nullopt;
}

} // namespace ob
