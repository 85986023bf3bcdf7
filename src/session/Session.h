#pragma once
// Session: the connection to the ORBISTA database and who is logged in. The
// version check of orbista.exe, the login with its retry loop and dialog,
// the logout, and the one lookup pattern every query of the program uses.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "context/Context.h"
#include "platform/odbc/Connection.h"
#include "session/LoginDialog.h"
#include "session/UserInfo.h"

namespace ob {

class Session {
public:
    Session(Context& context, LoginDialogs& dialogs);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void GetVersion(); // /OBVER
    void Login();      // /OBLOGIN
    void Logout();     // /OBLOGOUT
    void WriteLoginFlag();
    // Closes the connection, whatever its state; failures are ignored.
    void close() noexcept;

    bool LinkActive() const { return m_linkActive; }
    const std::string& Version() const { return m_version; }
    UserInfo& user() { return m_user; }
    const UserInfo& user() const { return m_user; }

    // Client-side cursor, execute, the rows. Failure 91 when not logged in.
    odbc::Recordset query(const std::string& sql);
    // The open connection for changes; Failure 91 when not logged in.
    odbc::Connection& connection();

private:
    // The steps of Login. Each step that refuses the login sets the error and returns false or nothing.
    bool versionAccepted();
    std::optional<std::string> dataSourceText();
    Credentials storedCredentials();
    void prepareConnection();
    void logInWithRetries(const std::string& dataSource, Credentials credentials);
    bool openWith(const std::string& dataSource, const Credentials& credentials, std::string& details);
    // The login dialog: the credentials confirmed, nullopt when the operator cancelled.
    std::optional<Credentials> GetLoginInfo(const Credentials& given, const std::string& message,
                                            const std::string& details);

    Context& m_ctx;
    LoginDialogs& m_dialogs;
    std::unique_ptr<odbc::Connection> m_connection;
    UserInfo m_user;
    bool m_linkActive = false;
    std::string m_version;
};

} // namespace ob
