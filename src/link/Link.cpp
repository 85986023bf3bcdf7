// Link: construction, destruction, the /TERMINATE handler and the
// exchange-file access every operation uses.
#include "link/Link.h"

#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"
#include "platform/system/LogStream.h"
#include "platform/system/SystemFolders.h"

namespace ob {

namespace {
constexpr const char* kCompany = "Brennhall Labs";
} // namespace

Link::Link(Environment env) : m_env(std::move(env))
{
    try {
        initialize();
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        WriteLog("Error in Class_Initialize: " + text);
        // From here on every failure is ignored; the error state is clear, so
        // the box shows its first line only.
        try {
            ShowErrorBox(*m_env.windows, "attempting to initialize the CBrennLinkDB object: " + text,
                         "CBrennLinkDB Object Error", nullptr);
        } catch (...) {
        }
        try {
            if (m_output) {
                m_output->Show();
            }
        } catch (...) {
        }
        try {
            ShowInfoBox(*m_env.windows,
                        "Do a screen capture the log information displayed in the OB32PYII Output window by "
                        "pressing the 'Print Screen' button now (BEFORE CLICKING OK!!) and send it to Technical "
                        "Support for further assistance.",
                        kCompany);
        } catch (...) {
        }
        m_terminated = true;
    }
}

void Link::initialize()
{
    m_linkActive = false;
    m_terminated = false;
    m_userLevel = 0;

    m_output = m_env.windows->CreateOutputWindow();

    // Reaches the window only: the log file does not exist yet.
    WriteLog("Creating FileSystemObject...");
    const std::string logPath = sys::buildPath(m_env.windowsFolder, keys::kLogFileName);
    m_logStream = std::make_unique<sys::LogStream>(logPath);
    WriteLog(logPath + " created " + regional::formatGeneralDate(nowValue(), m_env.regional));

    WriteLog(std::string("Creating INI file object for ") + keys::kExchangeFileName + "...");
    m_exchange.setFilePath(sys::buildPath(m_env.windowsFolder, keys::kExchangeFileName));
    WriteLog("INI File: " + m_exchange.FilePath());

    writeText(keys::General, keys::Action, "");
    writeBool(keys::General, keys::Busy, false);
    m_beep = readBool(keys::General, keys::Beep);
    m_showOutput = readBool(keys::General, keys::ShowOutput);

    bool found = false;
    readText(keys::Mapping, keys::CoefficientsField, "", &found);
    if (!found) {
        writeText(keys::Mapping, keys::CoefficientsField, "2341");
    }
    writeText(keys::OBVersion, keys::Version, "");
    // From here on [General] is always in the file: a snapshot without it was
    // taken while PYRALIS II rewrote the file in place, and is read again.
    m_exchange.setRequiredSection(keys::General);

    if (m_showOutput) {
        m_output->Show();
    }
    SetError("");

    WriteLog(std::string("Creating INI file object for ") + keys::kNexovaFileName + "...");
    m_nexova.setFilePath(sys::buildPath(m_env.windowsFolder, keys::kNexovaFileName));
    WriteLog("Nexova INI File: " + m_nexova.FilePath());

    ResetUserInfo();

    m_asset = AssetRecord();
    m_asset.Reset();
    WriteCurrentAsset();

    WriteLog("Creating action timer...");
    m_actionTimer = m_env.windows->CreateTimer();
    m_actionTimer->ThatTime = [this] { ActionTimer_ThatTime(); };
    m_actionTimer->setInterval(1000);
}

Link::~Link()
{
    // Every step runs; failures are ignored.
    try {
        m_asset.Reset();
        if (!m_exchange.FilePath().empty()) {
            WriteCurrentAsset();
        }
    } catch (...) {
    }
    try {
        if (m_logStream) {
            m_logStream->close();
        }
    } catch (...) {
    }
    try {
        if (m_showOutput) {
            ShowInfoBox(*m_env.windows,
                        std::string("Terminating link to ORBISTA database. The ") + keys::kLogFileName +
                            " log file is located in the " + m_env.windowsFolder + " folder.",
                        kCompany);
        }
    } catch (...) {
    }
    try {
        m_output.reset();
    } catch (...) {
    }
    try {
        if (m_actionTimer) {
            m_actionTimer->setInterval(0);
            m_actionTimer->ThatTime = nullptr;
        }
        m_actionTimer.reset();
        m_logStream.reset();
    } catch (...) {
    }
    try {
        if (m_connection) {
            m_connection->Close();
        }
        m_connection.reset();
    } catch (...) {
    }
}

void Link::TerminateAction()
{
    // Failures of single steps are ignored and the next step runs.
    try {
        if (m_linkActive) {
            Logout();
        }
    } catch (...) {
    }
    WriteLog("Disabling action timer...");
    try {
        if (m_actionTimer) {
            m_actionTimer->setInterval(0);
        }
    } catch (...) {
    }
    m_terminated = true;
    WriteLog("Terminated...");
}

regional::DateValue Link::nowValue() const
{
    return regional::makeDateTime(m_env.clock->now());
}

int Link::currentYear() const { return m_env.clock->now().year; }

odbc::Recordset Link::runQuery(const std::string& sql)
{
    if (!m_connection) {
        throw Failure(91, "Object variable or With block variable not set");
    }
    m_connection->setCursorLocation(odbc::CursorLocation::Client);
    // Calls are synchronous: the connection never reports a statement still executing.
    return m_connection->Execute(sql);
}

std::string Link::readText(const char* section, const std::string& key, const std::string& fallback,
                                   bool* found)
{
    m_exchange.setSection(section);
    std::string value;
    bool present = false;
    m_exchange.ReadString(key, value, present);
    if (found != nullptr) {
        *found = present;
    }
    return present ? value : fallback;
}

bool Link::readBool(const char* section, const std::string& key, bool fallback)
{
    m_exchange.setSection(section);
    bool value = false;
    bool present = false;
    m_exchange.ReadBoolean(key, value, present);
    return present ? value : fallback;
}

std::int16_t Link::readInt(const char* section, const std::string& key, std::int16_t fallback)
{
    // Read as the profile functions read an integer; a failed conversion names
    // the key and the value.
    bool present = false;
    const std::string text = readText(section, key, {}, &present);
    return present ? convertExchangeValue(key, text, ini::toInteger) : fallback;
}

void Link::writeText(const char* section, const std::string& key, const std::string& value)
{
    m_exchange.setSection(section);
    m_exchange.WriteString(key, value);
}

void Link::writeBool(const char* section, const std::string& key, bool value)
{
    m_exchange.setSection(section);
    m_exchange.WriteBoolean(key, value);
}

} // namespace ob
