// The database session: version check, login, logout.
#include "context/ExchangeKeys.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/ConnectionTimeouts.h"
#include "platform/pe/FileVersion.h"
#include "platform/regional/Conversions.h"
#include "platform/system/SystemFolders.h"
#include "session/LoginDialog.h"
#include "session/Version.h"
#include "link/Link.h"

namespace ob {

namespace {
constexpr const char* kExeName = "orbista.exe";
constexpr const char* kHiddenPassword = "********";
} // namespace

void Link::GetVersion()
{
    const std::string before = m_version;
    try {
        const std::string path = sys::buildPath(m_env.programFolder, kExeName);
        WriteLog("Getting version of '" + path + "' file...");
        m_version = pe::fileVersion(path);
        WriteLog(std::string(kExeName) + " version: " + m_version);
        writeText(keys::OBVersion, keys::Version, m_version);
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in GetVersion(): " + text);
        SetError("Could not get ORBISTA version information: " + text);
        m_version = before;
        try {
            writeText(keys::OBVersion, keys::Version, m_version);
        } catch (...) {
        }
    }
}

void Link::Login()
{
    if (m_linkActive) {
        return;
    }
    try {
        WriteLog("Login()- GetVersion()...");
        GetVersion();
        WriteLog("Verifying EXE file version...(must be 7.0.0.287 or later)");
        if (!m_version.empty()) {
            const ParsedVersion v = ParseVersion(m_version);
            WriteLog(DescribeVersion(v));
            if (v.Major < 7) {
                WriteLog("Major version is not 7 or later! (" + regional::formatInteger(v.Major) +
                         ") Terminating...");
                SetError("ORBISTA version 7 or later is required (installed version: " + m_version + ")");
                return;
            }
            if (v.Major == 7 && v.Build < 287) {
                WriteLog("Major version is 7, but build is not 287 or later! (" + regional::formatInteger(v.Build) +
                         ") Terminating...");
                SetError("ORBISTA version 7.01 build 287 or later must be installed (installed version: " +
                         m_version + " - build: " + regional::formatInteger(v.Build) + ")");
                return;
            }
        }

        WriteLog("Getting dsn name...");
        m_nexova.setSection(keys::Database);
        std::string dsn;
        bool found = false;
        m_nexova.ReadString(keys::DbLogin, dsn, found);
        if (!found) {
            WriteLog("Unable to get dsn name from INI file '" + m_nexova.FilePath() + "'! Terminating...");
            SetError("No dsn name was found in the " + m_nexova.FilePath() + " file");
            return;
        }
        // The data source may carry a password of its own.
        WriteLog("Dsn name: " + odbc::maskConnectionPasswords(dsn));

        WriteLog("Checking for default login user name and password...");
        std::string userName;
        std::string password;
        bool userFound = false;
        userName = readText(keys::OBLogin, keys::LoginUserName, "", &userFound);
        if (userFound) {
            WriteLog("Login user name: " + userName);
            bool passwordFound = false;
            password = readText(keys::OBLogin, keys::LoginPassword, "", &passwordFound);
            if (passwordFound) {
                // Never the password itself: the log is read by support staff.
                // An empty one is shown as empty: it is why the dialog opens.
                WriteLog(std::string("Login password: ") + (password.empty() ? "" : kHiddenPassword));
            }
        }

        m_connection = std::make_unique<odbc::Connection>();
        m_connection->setLoginTimeout(odbc::timeoutFromText(readText(keys::General, keys::ConnectionTimeout),
                                                           odbc::Timeouts::kDefaultLoginSeconds));
        m_connection->setCommandTimeout(odbc::timeoutFromText(readText(keys::General, keys::CommandTimeout),
                                                             odbc::Timeouts::kDefaultCommandSeconds));
        std::string message;
        std::string details;
        for (;;) {
            bool cancelled = false;
            if (userName.empty() || password.empty()) {
                cancelled = !GetLoginInfo(userName, password, message, details);
            }
            if (cancelled) {
                ResetUserInfo();
                SetError("Login cancelled - the interface to the ORBISTA database is not enabled");
                m_connection.reset();
                break;
            }
            // A name or password with ";", braces or outer blanks goes in
            // braces: it reaches the driver exactly and adds no item.
            m_connection->setConnectionString("PROVIDER=MSDASQL;" + dsn +
                                              ";uid=" + odbc::quoteConnectionValue(userName) +
                                              ";pwd=" + odbc::quoteConnectionValue(password) + ";");
            WriteLog("Logging in to database (" + odbc::maskConnectionPasswords(m_connection->ConnectionString()) +
                     ")...");
            try {
                m_connection->Open();
            } catch (...) {
                const Failure failure = currentFailure();
                details = failure.description() + " [" + failure.source() + "]";
                WriteLog("Login error: " + details);
            }
            if (m_connection->State() == 1) {
                WriteLog("Connection to ORBISTA database established...");
                GetUserInfo(userName);
                m_linkActive = true;
                break;
            }
            WriteLog("Login failed - resetting password");
            password.clear();
            message = "The specified login credentials failed - enter valid credentials and make sure database "
                      "server is running";
        }
        WriteLog(std::string("Setting login flag (") + (m_linkActive ? "True" : "False") + ")");
        WriteLoginFlag();
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in Login(): " + text);
        SetError("Could not login due to the following error: " + text);
    }
}

bool Link::GetLoginInfo(std::string& userName, std::string& password, const std::string& message,
                                const std::string& details)
{
    bool result = false;
    std::unique_ptr<LoginDialog> dialog;
    try {
        if (!m_env.windows->OperatorDisplayAvailable()) {
            // Unattended: nobody could answer the dialog, so it counts as Cancel.
            WriteLog("No operator display is available - the login dialog is answered as Cancel");
            return false;
        }
        dialog = m_env.windows->CreateLoginDialog();
        dialog->bCancel = false;
        dialog->sUserName = userName;
        dialog->sPassword = password;
        dialog->setMessage(message);
        dialog->sDetails = details;
        dialog->ShowModal();
        if (!dialog->bCancel) {
            result = true;
        }
        userName = dialog->sUserName;
        password = dialog->sPassword;
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in GetLoginInfo(): " + text);
        try {
            SetError("Could not get login info due to the following error: " + text);
        } catch (...) {
        }
        result = false;
    }
    try {
        dialog.reset();
    } catch (...) {
    }
    return result;
}

void Link::Logout()
{
    try {
        if (m_linkActive) {
            WriteLog("Logging out...");
            if (m_connection && m_connection->State() == 1) {
                m_connection->Close();
            }
            m_connection.reset();
            WriteLog("Logout successful...");
        }
        ResetUserInfo();
        m_linkActive = false;
        WriteLoginFlag();
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in Logout(): " + text);
        SetError("Could not logout due to the following error: " + text);
    }
}

void Link::WriteLoginFlag()
{
    writeBool(keys::OBLogin, keys::Login, m_linkActive);
}

} // namespace ob
