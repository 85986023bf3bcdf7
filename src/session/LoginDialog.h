#pragma once
// The login dialog as the session sees it: it is handed the credentials to
// show and gives back the ones the operator confirmed.

#include <memory>
#include <optional>
#include <string>

namespace ob {

struct Credentials {
    std::string userName;
    std::string password;
};

class LoginDialog {
public:
    virtual ~LoginDialog() = default;
    // Shows the dialog modally with `given` in its boxes, `message` in red
    // under them and `details` behind its details button (hidden when empty).
    // The credentials the operator confirmed with OK; nullopt when they
    // cancelled, closed the window or no operator can see it.
    virtual std::optional<Credentials> ask(const Credentials& given, const std::string& message,
                                           const std::string& details) = 0;
};

// What makes the login dialog: the window system, handed to the session by the link.
class LoginDialogs {
public:
    virtual ~LoginDialogs() = default;
    virtual std::unique_ptr<LoginDialog> CreateLoginDialog() = 0;
};

} // namespace ob
