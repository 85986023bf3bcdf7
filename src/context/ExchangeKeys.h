#pragma once
// Section and key names of the exchange file and of NEXOVA.INI, written
// exactly as the peer writes and reads them.

namespace ob::keys {

inline constexpr const char* kExchangeFileName = "OB32PYII.INI";
inline constexpr const char* kNexovaFileName = "NEXOVA.INI";
inline constexpr const char* kLogFileName = "OB32PYII.txt";

inline constexpr const char* General = "General";
inline constexpr const char* Action = "Action";
inline constexpr const char* Busy = "Busy";
inline constexpr const char* Error = "Error";
inline constexpr const char* Beep = "Beep";
inline constexpr const char* ShowOutput = "ShowOutput";
inline constexpr const char* KeepLogs = "KeepLogs";
inline constexpr const char* WriteCoefsAsNumeric = "WriteCoefsAsNumeric";
// Our own: seconds a login and a statement may take.
inline constexpr const char* ConnectionTimeout = "ConnectionTimeout";
inline constexpr const char* CommandTimeout = "CommandTimeout";

inline constexpr const char* Mapping = "Mapping";
inline constexpr const char* CoefficientsField = "CoefficientsField";

inline constexpr const char* OBVersion = "OBVersion";
inline constexpr const char* Version = "Version";

inline constexpr const char* OBLogin = "OBLogin";
inline constexpr const char* LoginUserName = "LoginUserName";
inline constexpr const char* LoginPassword = "LoginPassword";
inline constexpr const char* Login = "Login";
inline constexpr const char* UserLevel = "UserLevel";
inline constexpr const char* UserID = "UserID";
inline constexpr const char* UserFullName = "UserFullName";

inline constexpr const char* CurrentAsset = "CurrentAsset";
inline constexpr const char* Calibration = "Calibration";
inline constexpr const char* CustomCalFields = "CustomCalFields";
inline constexpr const char* Standards = "Standards";
inline constexpr const char* FullResults = "FullResults";

// NEXOVA.INI
inline constexpr const char* Database = "database";
inline constexpr const char* DbLogin = "DB_login";
inline constexpr const char* Language = "Language";
inline constexpr const char* Titleset = "Titleset";

} // namespace ob::keys
