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
inline constexpr const char* WorkOrderField = "WorkOrderField";
inline constexpr const char* TestProcField = "TestProcField";
inline constexpr const char* MaintNotesField = "MaintNotesField";
inline constexpr const char* TechNameField = "TechNameField";
inline constexpr const char* AmbTempField = "AmbTempField";
inline constexpr const char* AmbHumidField = "AmbHumidField";
inline constexpr const char* EndDateField = "EndDateField";
inline constexpr const char* EndTimeField = "EndTimeField";
inline constexpr const char* AbortedField = "AbortedField";
inline constexpr const char* PassField = "PassField";

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
// [CurrentAsset] (AssetNumber below, with [Calibration])
inline constexpr const char* Mfg = "Mfg";
inline constexpr const char* Description = "Description";
inline constexpr const char* Model = "Model";
inline constexpr const char* Serial = "Serial";
inline constexpr const char* ATAG = "ATAG";
inline constexpr const char* CTAG = "CTAG";
inline constexpr const char* Interval = "Interval";
inline constexpr const char* IntervalUnits = "IntervalUnits";
inline constexpr const char* CalDate = "CalDate";
inline constexpr const char* CalTime = "CalTime";
inline constexpr const char* RecalDate = "RecalDate";
inline constexpr const char* InCal = "InCal";

inline constexpr const char* Calibration = "Calibration";
inline constexpr const char* AssetNumber = "AssetNumber"; // also [Standards] AssetNumber1, AssetNumber2, ...
inline constexpr const char* StartDate = "StartDate";
inline constexpr const char* StartTime = "StartTime";
inline constexpr const char* AmbientTemp = "AmbientTemp";
inline constexpr const char* AmbientHumid = "AmbientHumid";
inline constexpr const char* OrderID = "OrderID";
inline constexpr const char* TestProcedure = "TestProcedure";
inline constexpr const char* Comment = "Comment";
inline constexpr const char* EndDate = "EndDate";
inline constexpr const char* EndTime = "EndTime";
inline constexpr const char* Aborted = "Aborted";
inline constexpr const char* Pass = "Pass";
inline constexpr const char* Coefficients = "Coefficients";

// [CustomCalFields] Field1, Value1, Field2, ...
inline constexpr const char* CustomCalFields = "CustomCalFields";
inline constexpr const char* FieldPrefix = "Field";
inline constexpr const char* ValuePrefix = "Value";

inline constexpr const char* Standards = "Standards";
inline constexpr const char* Count = "Count";

// [FullResults]: these, Error and Comment.
inline constexpr const char* FullResults = "FullResults";
inline constexpr const char* Order = "Order";
inline constexpr const char* NumSamples = "NumSamples";
inline constexpr const char* Setpoint = "Setpoint";
inline constexpr const char* SetpointPrefix = "SetpointPrefix";
inline constexpr const char* SetpointUnits = "SetpointUnits";
inline constexpr const char* Reference = "Reference";
inline constexpr const char* ReferencePrefix = "ReferencePrefix";
inline constexpr const char* ReferenceUnits = "ReferenceUnits";
inline constexpr const char* UUT = "UUT";
inline constexpr const char* UUTPrefix = "UUTPrefix";
inline constexpr const char* UUTUnits = "UUTUnits";
inline constexpr const char* ErrorPrefix = "ErrorPrefix";
inline constexpr const char* ErrorUnits = "ErrorUnits";
inline constexpr const char* Tolerance = "Tolerance";
inline constexpr const char* TolerancePrefix = "TolerancePrefix";
inline constexpr const char* ToleranceUnits = "ToleranceUnits";
inline constexpr const char* Uncertainty = "Uncertainty";
inline constexpr const char* UncertaintyPrefix = "UncertaintyPrefix";
inline constexpr const char* UncertaintyUnits = "UncertaintyUnits";

// NEXOVA.INI
inline constexpr const char* Database = "database";
inline constexpr const char* DbLogin = "DB_login";
inline constexpr const char* Language = "Language";
inline constexpr const char* Titleset = "Titleset";

} // namespace ob::keys
