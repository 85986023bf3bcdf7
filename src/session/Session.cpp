// The database session: version check, login, logout.
#include "session/Session.h"

#include "context/ExchangeKeys.h"
#include "context/Messages.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"
#include "platform/pe/FileVersion.h"
#include "platform/regional/Conversions.h"
#include "platform/system/SystemFolders.h"
#include "session/LoginDialog.h"
#include "session/Query.h"
#include "session/Version.h"

namespace ob {

namespace {
constexpr const char* kExeName = "orbista.exe";
constexpr const char* kHiddenPassword = "********";
} // namespace

Session::Session(Context& context, LoginDialogs& dialogs) : m_ctx(context), m_dialogs(dialogs), m_user(context) {}

Session::~Session()
{
    close();
}

void Session::close() noexcept
{
    try {
        if (m_connection) {
            m_connection->Close();
        }
        m_connection.reset();
    } catch (...) {
    }
}

odbc::Recordset Session::query(const std::string& sql)
{
    return runQuery(m_connection.get(), sql);
}

odbc::Connection& Session::connection()
{
    if (!m_connection) {
        throw Failure(91, "Object variable or With block variable not set");
    }
    return *m_connection;
}

void Session::GetVersion()
{
    const std::string before = m_version;
    try {
        const std::string path = sys::buildPath(m_ctx.env().programFolder, kExeName);
        m_ctx.WriteLog("Getting version of '" + path + "' file...");
        m_version = pe::fileVersion(path);
        m_ctx.WriteLog(std::string(kExeName) + " version: " + m_version);
        m_ctx.exchange().writeText(keys::OBVersion, keys::Version, m_version);
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        m_ctx.WriteLog("Error in GetVersion(): " + text);
        m_ctx.SetError("Could not get ORBISTA version information: " + text);
        m_version = before;
        try {
            m_ctx.exchange().writeText(keys::OBVersion, keys::Version, m_version);
        } catch (...) {
        }
    }
}

void Session::Login()
{
    if (m_linkActive) {
        return;
    }
    try {
        m_ctx.WriteLog("Login()- GetVersion()...");
        GetVersion();
        if (!versionAccepted()) {
            return;
        }
        const std::optional<std::string> dataSource = dataSourceText();
        if (!dataSource) {
            return;
        }
        Credentials credentials = storedCredentials();
        prepareConnection();
        logInWithRetries(*dataSource, std::move(credentials));
        m_ctx.WriteLog(std::string("Setting login flag (") + (m_linkActive ? "True" : "False") + ")");
        WriteLoginFlag();
    } catch (...) {
        ReportFailure(m_ctx, "Could not login", "Login");
    }
}

// orbista.exe must be 7.0.0.287 or later; a missing one is not checked.
bool Session::versionAccepted()
{
    m_ctx.WriteLog("Verifying EXE file version...(must be 7.0.0.287 or later)");
    if (m_version.empty()) {
        return true;
    }
    const ParsedVersion v = ParseVersion(m_version);
    m_ctx.WriteLog(DescribeVersion(v));
    if (v.Major < 7) {
        m_ctx.WriteLog("Major version is not 7 or later! (" + regional::formatInteger(v.Major) + ") Terminating...");
        m_ctx.SetError("ORBISTA version 7 or later is required (installed version: " + m_version + ")");
        return false;
    }
    if (v.Major == 7 && v.Build < 287) {
        m_ctx.WriteLog("Major version is 7, but build is not 287 or later! (" + regional::formatInteger(v.Build) +
                       ") Terminating...");
        m_ctx.SetError("ORBISTA version 7.01 build 287 or later must be installed (installed version: " + m_version +
                       " - build: " + regional::formatInteger(v.Build) + ")");
        return false;
    }
    return true;
}

// NEXOVA.INI's [database] DB_login.
std::optional<std::string> Session::dataSourceText()
{
    m_ctx.WriteLog("Getting dsn name...");
    m_ctx.nexova().setSection(keys::Database);
    std::string dsn;
    bool found = false;
    m_ctx.nexova().ReadString(keys::DbLogin, dsn, found);
    if (!found) {
        m_ctx.WriteLog("Unable to get dsn name from INI file '" + m_ctx.nexova().FilePath() + "'! Terminating...");
        m_ctx.SetError("No dsn name was found in the " + m_ctx.nexova().FilePath() + " file");
        return std::nullopt;
    }
    // The data source may carry a password of its own.
    m_ctx.WriteLog("Dsn name: " + odbc::maskConnectionPasswords(dsn));
    return dsn;
}

// [OBLogin] LoginUserName and LoginPassword; the password is read only with a user name.
Credentials Session::storedCredentials()
{
    m_ctx.WriteLog("Checking for default login user name and password...");
    Credentials stored;
    bool userFound = false;
    stored.userName = m_ctx.exchange().readText(keys::OBLogin, keys::LoginUserName, "", &userFound);
    if (userFound) {
        m_ctx.WriteLog("Login user name: " + stored.userName);
        bool passwordFound = false;
        stored.password = m_ctx.exchange().readText(keys::OBLogin, keys::LoginPassword, "", &passwordFound);
        if (passwordFound) {
            // Never the password itself: the log is read by support staff.
            // An empty one is shown as empty: it is why the dialog opens.
            m_ctx.WriteLog(std::string("Login password: ") + (stored.password.empty() ? "" : kHiddenPassword));
        }
    }
    return stored;
}

void Session::prepareConnection()
{
    m_connection = std::make_unique<odbc::Connection>();
    m_connection->setLoginTimeout(odbc::timeoutFromText(
        m_ctx.exchange().readText(keys::General, keys::ConnectionTimeout), odbc::Timeouts::kDefaultLoginSeconds));
    m_connection->setCommandTimeout(odbc::timeoutFromText(
        m_ctx.exchange().readText(keys::General, keys::CommandTimeout), odbc::Timeouts::kDefaultCommandSeconds));
}

// Credentials that fail lose their password and the dialog asks again, until
// a login succeeds or the operator cancels.
void Session::logInWithRetries(const std::string& dataSource, Credentials credentials)
{
    std::string message;
    std::string details;
    for (;;) {
        if (credentials.userName.empty() || credentials.password.empty()) {
            std::optional<Credentials> confirmed = GetLoginInfo(credentials, message, details);
            if (!confirmed) {
                m_user.ResetUserInfo();
                m_ctx.SetError("Login cancelled - the interface to the ORBISTA database is not enabled");
                m_connection.reset();
                return;
            }
            credentials = std::move(*confirmed);
        }
        if (openWith(dataSource, credentials, details)) {
            m_ctx.WriteLog("Connection to ORBISTA database established...");
            m_user.GetUserInfo(m_connection.get(), credentials.userName);
            m_linkActive = true;
            return;
        }
        m_ctx.WriteLog("Login failed - resetting password");
        credentials.password.clear();
        message = "The specified login credentials failed - enter valid credentials and make sure database "
                  "server is running";
    }
}

// True when the connection opened; otherwise `details` holds the driver's answer.
bool Session::openWith(const std::string& dataSource, const Credentials& credentials, std::string& details)
{
    // A name or password with ";", braces or outer blanks goes in braces: it
    // reaches the driver exactly and adds no item.
    odbc::ConnectionItems items("PROVIDER=MSDASQL;" + dataSource);
    items.add("uid", credentials.userName);
    items.add("pwd", credentials.password);
    m_connection->setConnectionString(items.text());
    m_ctx.WriteLog("Logging in to database (" + items.logText() + ")...");
    try {
        m_connection->Open();
    } catch (...) {
        const Failure failure = currentFailure();
        details = failure.description() + " [" + failure.source() + "]";
        m_ctx.WriteLog("Login error: " + details);
    }
    return m_connection->State() == 1;
}

std::optional<Credentials> Session::GetLoginInfo(const Credentials& given, const std::string& message,
                                                 const std::string& details)
{
    if (!m_ctx.windows().OperatorDisplayAvailable()) {
        // Unattended: nobody could answer the dialog, so it counts as Cancel.
        m_ctx.WriteLog("No operator display is available - the login dialog is answered as Cancel");
        return std::nullopt;
    }
    try {
        return m_dialogs.CreateLoginDialog()->ask(given, message, details);
    } catch (...) {
        try {
            ReportFailure(m_ctx, "Could not get login info", "GetLoginInfo");
        } catch (...) {
        }
        return std::nullopt;
    }
}

void Session::Logout()
{
    try {
        if (m_linkActive) {
            m_ctx.WriteLog("Logging out...");
            if (m_connection && m_connection->State() == 1) {
                m_connection->Close();
            }
            m_connection.reset();
            m_ctx.WriteLog("Logout successful...");
        }
        m_user.ResetUserInfo();
        m_linkActive = false;
        WriteLoginFlag();
    } catch (...) {
        ReportFailure(m_ctx, "Could not logout", "Logout");
    }
}

void Session::WriteLoginFlag()
{
    m_ctx.exchange().writeBool(keys::OBLogin, keys::Login, m_linkActive);
}

} // namespace ob
