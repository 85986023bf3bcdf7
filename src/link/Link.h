#pragma once
// Link: the link between PYRALIS II and the ORBISTA database. One
// object per process; each operation is defined in the folder of the
// subsystem it belongs to.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assets/AssetRecord.h"
#include "platform/Failure.h"
#include "platform/ini/IniFile.h"
#include "platform/odbc/Connection.h"
#include "context/Environment.h"

namespace ob {

namespace sys {
class LogStream;
}

class Link {
public:
    // Class_Initialize: opens the output window, the log, the exchange file
    // (start values), NEXOVA.INI, the user information, the current asset and
    // last the action timer. A failure ends construction with Terminated true.
    explicit Link(Environment env);
    // Class_Terminate: clears [CurrentAsset], closes the log, says goodbye.
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Public read-only properties.
    bool LinkActive() const { return m_linkActive; }
    bool Terminated() const { return m_terminated; }
    std::int16_t UserLevel() const { return m_userLevel; }
    bool AllowCreateInv() const { return m_allowCreateInv; }
    bool AllowCreateCal() const { return m_allowCreateCal; }
    const std::string& UserFullName() const { return m_userFullName; }
    const std::string& UserID() const { return m_userID; }
    const std::string& Version() const { return m_version; }

    // ---- shell -----------------------------------------------------------
    void WriteLog(const std::string& text) noexcept;
    // "number - description" of a failure; "0 - " for none.
    static std::string ErrorText(const Failure* pending);
    static std::string ErrorText(const Failure& pending) { return ErrorText(&pending); }
    void TerminateAction(); // /TERMINATE

    // ---- exchange ----------------------------------------------------------
    void ActionTimer_ThatTime();
    void SetError(const std::string& text);

    // ---- session -----------------------------------------------------------
    void GetVersion();
    void Login();
    void Logout();
    bool GetLoginInfo(std::string& userName, std::string& password, const std::string& message,
                      const std::string& details);
    void WriteLoginFlag();
    void GetUserInfo(const std::string& userName);
    void ResetUserInfo();
    void WriteUserInfo();

    // ---- assets ------------------------------------------------------------
    void LocateAsset();
    void GetCurrentAssetInfo();
    std::string GetATAG(const std::string& assetNumber);
    bool CheckInCal();
    void GetLastCalibration();
    void WriteCurrentAsset();

    // ---- calibration -------------------------------------------------------
    void CreateCalibrationRecord();
    void AttachStandards();
    void CreateFullResultsRecord();
    void FlushFullResults();
    // `failure`, when given, receives what stopped the deletions.
    void DeleteCalibrationRecords(const std::string& ctag, bool& result, std::optional<Failure>* failure = nullptr);

    // ---- custom fields -----------------------------------------------------
    bool GetRequiredCustomFields(const std::string& assetNumber, std::string& columnList, std::string& valueList);
    void LoadValidationItems(std::vector<std::string>* items, const std::string& fieldName);

    // ---- for the composition root and tests ---------------------------------
    const AssetRecord& currentAsset() const { return m_asset; }
    const std::string& CalATAG() const { return m_calATAG; }
    const std::string& CalCTAG() const { return m_calCTAG; }
    const Environment& environment() const { return m_env; }
    SubTimer* actionTimer() const { return m_actionTimer.get(); }
    // The decimal separator of DecimalPoint, cached from its first use.
    std::string GetSystemDecimalSeparator() const;
    std::string NormalizeDecimalPoint(const std::string& text);

private:
    void initialize();
    int currentYear() const;
    // The one lookup pattern: client-side cursor, execute, the rows.
    odbc::Recordset runQuery(const std::string& sql);
    // Runs an action handler; whatever it lets escape is reported.
    void dispatch(int code, const std::string& action);
    regional::DateValue nowValue() const;

    // Exchange-file access: set the section, then read or write the key.
    std::string readText(const char* section, const std::string& key, const std::string& fallback = {},
                         bool* found = nullptr);
    bool readBool(const char* section, const std::string& key, bool fallback = false);
    std::int16_t readInt(const char* section, const std::string& key, std::int16_t fallback = 0);
    void writeText(const char* section, const std::string& key, const std::string& value);
    void writeBool(const char* section, const std::string& key, bool value);

    Environment m_env;
    std::unique_ptr<sys::LogStream> m_logStream;
    std::string m_userID;
    std::string m_userFullName;
    bool m_allowCreateCal = false;
    bool m_allowCreateInv = false;
    std::int16_t m_userLevel = 0;
    bool m_linkActive = false;
    bool m_terminated = false;
    std::string m_version;
    AssetRecord m_asset;
    bool m_beep = false;
    bool m_showOutput = false;
    IniFile m_exchange;
    IniFile m_nexova;
    std::unique_ptr<OutputWindow> m_output;
    std::unique_ptr<odbc::Connection> m_connection;
    std::string m_calATAG;
    std::string m_calCTAG;
    std::unique_ptr<SubTimer> m_actionTimer;
    bool m_timerBusy = false;
    std::string m_decimalSeparator; // DecimalPoint's cache
};

// Shared text helpers (ExchangeValues).
// "I"/"C" table letter: a 5-character code gets the letter as first character,
// any other code gets it in front; upper-cased.
std::string QualifyColumn(const std::string& code, const std::string& letter);
// A column name usable in a statement: letters, digits and "_" only.
bool IsPlainColumnName(const std::string& name);
// A time text as hh:nn:ss (24-hour); Failure 13 when it is no time.
std::string FormatTimeHMS(const std::string& text, const regional::RegionalSettings& rs, int currentYear);
// A conversion of an exchange-file value that failed, with the key and the
// value added to its description: "13 - Type mismatch (EndTime='abc')".
Failure ExchangeValueFailure(const Failure& failure, const std::string& key, const std::string& value);
template <typename Convert>
auto convertExchangeValue(const std::string& key, const std::string& value, Convert&& convert)
{
    try {
        return convert(value);
    } catch (const Failure& failure) {
        throw ExchangeValueFailure(failure, key, value);
    }
}

// Message boxes (Messages).
void ShowInfoBox(WindowSystem& ws, const std::string& text, const std::string& title);
void ShowErrorBox(WindowSystem& ws, const std::string& what, const std::string& title, const Failure* pending);

// The start procedure (the start procedure). Returns the process exit code.
int RunStartProcedure(const Environment& env);

} // namespace ob
