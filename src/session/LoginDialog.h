#pragma once
// QtLoginDialog as the session sees it: the public variables through which the
// caller and the dialog talk, and the modal show.

#include <string>

namespace ob {

class LoginDialog {
public:
    virtual ~LoginDialog() = default;
    bool bCancel = false;
    std::string sUserName;
    std::string sPassword;
    std::string sDetails;
    virtual void setMessage(const std::string& caption) = 0; // lblMessage
    // Returns when the dialog hides itself or is closed.
    virtual void ShowModal() = 0;
};

} // namespace ob
