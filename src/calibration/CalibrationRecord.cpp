// /CREATECAL: the calibration summary record.
#include "calibration/CalibrationRecord.h"

#include <array>
#include <functional>
#include <optional>

#include "assets/AssetLookup.h"
#include "calibration/Deletion.h"
#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "context/InsertLists.h"
#include "context/Messages.h"
#include "platform/regional/Conversions.h"

namespace ob {

namespace {

// The [Mapping] keys, their defaults, and the [Calibration] value each column receives.
struct MappingKey {
    const char* key;
    const char* fallback;
};
constexpr std::array<MappingKey, 11> kMapping{{
    {"CoefficientsField", "2341"},
    {"WorkOrderField", "C2314"},
    {"TestProcField", "C2320"},
    {"MaintNotesField", "C2329"},
    {"TechNameField", "C2307"},
    {"AmbTempField", "C2311"},
    {"AmbHumidField", "C2312"},
    {"EndDateField", "C2342"},
    {"EndTimeField", "C2343"},
    {"AbortedField", "C2363"},
    {"PassField", "C2323"},
}};
enum MappingIndex {
    kCoefficients,
    kWorkOrder,
    kTestProc,
    kMaintNotes,
    kTechName,
    kAmbTemp,
    kAmbHumid,
    kEndDate,
    kEndTime,
    kAborted,
    kPass
};

bool switchedOff(const std::string& mapping)
{
    return text::upper(mapping) == "X";
}

// The column a mapping or field code names; a name that is not plain fails.
std::string checkedColumn(const std::string& code)
{
    const std::string column = QualifyColumn(code, "C");
    if (!IsPlainColumnName(column)) {
        throw invalidColumnName(column);
    }
    return column;
}

} // namespace

CalibrationRecord::CalibrationRecord(Context& context, Session& session, RequiredFields& requiredFields,
                                     CalibrationInProgress& calibration)
    : m_ctx(context), m_session(session), m_requiredFields(requiredFields), m_calibration(calibration),
      m_decimalPoint(context.regional())
{
}

void CalibrationRecord::CreateCalibrationRecord()
{
    const regional::RegionalSettings& rs = m_ctx.regional();
    const int year = m_ctx.currentYear();
    odbc::Recordset existing;
    std::optional<odbc::Transaction> transaction;
    std::string replacedCTAG;
    try {
        std::array<std::string, kMapping.size()> mapping;
        for (std::size_t i = 0; i < kMapping.size(); ++i) {
            mapping[i] = m_ctx.exchange().readText(keys::Mapping, kMapping[i].key, kMapping[i].fallback);
        }
        // Every column name from the exchange file is checked before any statement runs.
        for (std::size_t i = 0; i < kMapping.size(); ++i) {
            if (switchedOff(mapping[i])) {
                continue;
            }
            if (i == kCoefficients && mapping[i].find(';') != std::string::npos) {
                for (const std::string& code : text::split(mapping[i], ';')) {
                    checkedColumn(text::trim(code));
                }
            } else {
                checkedColumn(mapping[i]);
            }
        }
        std::vector<std::pair<std::string, std::string>> customFields;
        for (int n = 1;; ++n) {
            bool found = false;
            const std::string field =
                m_ctx.exchange().readText(keys::CustomCalFields, "Field" + regional::formatInteger(n), "", &found);
            if (!found) {
                break;
            }
            customFields.emplace_back(
                checkedColumn(field),
                m_ctx.exchange().readText(keys::CustomCalFields, "Value" + regional::formatInteger(n)));
        }

        const std::string assetNumber = m_ctx.exchange().readText(keys::Calibration, "AssetNumber");
        m_calibration.clear();
        const std::string atag = GetATAG(m_ctx, m_session, assetNumber);
        if (atag.empty()) {
            m_ctx.SetError("Unable to get the ATAG for asset '" + assetNumber +
                           "'. This asset may not exist in the ORBISTA database.");
            return;
        }
        const std::string ctag =
            assetNumber + ":" + regional::formatInteger(regional::secondsSince1970(m_ctx.clockNow()));

        std::string startDate = m_ctx.exchange().readText(keys::Calibration, "StartDate");
        if (regional::isDate(startDate, rs, year)) {
            startDate = regional::formatIsoDate(regional::parseDate(startDate, rs, year));
        }
        std::string startTime = m_ctx.exchange().readText(keys::Calibration, "StartTime");
        // Only a text that holds a time of day becomes one: a plain date
        // would otherwise be stored as midnight.
        if (regional::holdsTimeOfDay(startTime, rs, year)) {
            startTime = FormatTimeHMS(startTime, rs, year);
        }
        const bool coefsAsNumeric = m_ctx.exchange().readBool(keys::General, keys::WriteCoefsAsNumeric);
        m_ctx.WriteLog(std::string("Write coefs as numeric: ") + (coefsAsNumeric ? "True" : "False"));

        m_ctx.WriteLog("Writing data to fields...");
        std::string columns;
        std::string values;
        appendColumn(columns, values, "atag", atag);
        appendColumn(columns, values, "ctag", ctag);
        appendColumn(columns, values, "CDSRC", "PY2");
        appendColumn(columns, values, QualifyColumn("C2301", "C"), startDate);
        appendColumn(columns, values, QualifyColumn("C2333", "C"), startTime);

        const auto numeric = [&](const char* key) {
            return convertExchangeValue(key, m_ctx.exchange().readText(keys::Calibration, key),
                                        [&](const std::string& value) {
                                            return regional::formatGeneralNumber(
                                                regional::val(m_decimalPoint.NormalizeDecimalPoint(value)), rs);
                                        });
        };
        const auto date = [&](const std::string& value) {
            return regional::isDate(value, rs, year) ? regional::formatIsoDate(regional::parseDate(value, rs, year))
                                                     : value;
        };
        const auto add = [&](MappingIndex index, const std::function<std::string()>& value) {
            if (!switchedOff(mapping[index])) {
                appendColumn(columns, values, QualifyColumn(mapping[index], "C"), value());
            }
        };
        add(kTechName, [&] { return m_session.user().UserID(); });
        add(kAmbTemp, [&] { return numeric("AmbientTemp"); });
        add(kAmbHumid, [&] { return m_ctx.exchange().readText(keys::Calibration, "AmbientHumid"); });
        add(kWorkOrder, [&] { return numeric("OrderID"); });
        add(kTestProc, [&] { return m_ctx.exchange().readText(keys::Calibration, "TestProcedure"); });
        add(kMaintNotes, [&] { return m_ctx.exchange().readText(keys::Calibration, "Comment"); });
        add(kEndDate, [&] { return date(m_ctx.exchange().readText(keys::Calibration, "EndDate")); });
        add(kEndTime, [&] {
            return convertExchangeValue("EndTime", m_ctx.exchange().readText(keys::Calibration, "EndTime"),
                                        [&](const std::string& value) { return FormatTimeHMS(value, rs, year); });
        });
        add(kAborted, [&] {
            return m_ctx.exchange().readBool(keys::Calibration, "Aborted") ? std::string("Y") : std::string("N");
        });
        add(kPass, [&] { return m_ctx.exchange().readText(keys::Calibration, "Pass", "I"); });

        const std::string coefficients = m_ctx.exchange().readText(keys::Calibration, "Coefficients");
        if (!switchedOff(mapping[kCoefficients]) && !coefficients.empty()) {
            if (mapping[kCoefficients].find(';') == std::string::npos) {
                appendColumn(columns, values, QualifyColumn(mapping[kCoefficients], "C"), coefficients);
            } else {
                const auto codes = text::split(mapping[kCoefficients], ';');
                const auto coefs = text::split(coefficients, ';');
                const std::size_t n = std::min(codes.size(), coefs.size());
                for (std::size_t i = 0; i < n; ++i) {
                    std::string v = text::trim(coefs[i]);
                    m_ctx.WriteLog("Coefficient: " + v);
                    if (coefsAsNumeric) {
                        const auto eq = v.find('=');
                        if (eq != std::string::npos) {
                            v = text::trim(v.substr(eq + 1));
                        }
                        std::erase(v, ' ');
                        m_ctx.WriteLog("Converted: " + v);
                    }
                    appendColumn(columns, values, QualifyColumn(text::trim(codes[i]), "C"), text::trim(v));
                }
            }
        }

        m_ctx.WriteLog("Handling default custom calibration fields...");
        for (const auto& [column, value] : customFields) {
            appendColumn(columns, values, column, value);
        }
        m_ctx.WriteLog("Default custom calibration fields complete...");

        // The operator may keep the editor open as long as they like: it is
        // shown before the transaction opens, so it never holds a lock.
        m_requiredFields.GetRequiredCustomFields(assetNumber, columns, values);

        // The replacement of an existing record and the insert of the new one
        // commit together, in one short transaction: a creation that fails
        // leaves the old record whole.
        odbc::Connection& connection = m_session.connection();
        transaction.emplace(connection);
        m_ctx.WriteLog("Checking for existing cal record...");
        const std::string query = "SELECT * FROM ob.Calibration WHERE ATAG=" + odbc::quoteLiteral(atag) +
                                  " AND C2301=" + odbc::quoteLiteral(startDate) +
                                  " AND C2333=" + odbc::quoteLiteral(startTime) + ";";
        m_ctx.WriteLog(query);
        existing = m_session.query(query);
        if (existing.RecordCount() >= 1) {
            m_ctx.WriteLog("This calibration record already exists!");
            existing.MoveFirst();
            replacedCTAG = existing.Fields("CTAG").toText();
            bool deleted = false;
            std::optional<Failure> deletionFailure;
            DeleteCalibrationRecords(m_ctx, m_session, replacedCTAG, deleted, &deletionFailure);
            if (!deleted) {
                // Two records of the same start must never be left behind.
                throw deletionFailure.value_or(Failure::invalidProcedureCall());
            }
        }
        existing.Close();

        m_ctx.WriteLog("Committing calibration record...");
        const std::string insert =
            "INSERT INTO ob.Calibration (" + closeList(columns) + ") VALUES (" + closeList(values) + ");";
        m_ctx.WriteLog(insert);
        connection.setCursorLocation(odbc::CursorLocation::Client);
        connection.Execute(insert);
        transaction->commit();
        m_calibration.begin(atag, ctag);
    } catch (...) {
        const Failure failure = currentFailure();
        existing.Close();
        if (transaction.has_value()) {
            transaction.reset(); // rolls back: an existing record stays as it was
            if (!replacedCTAG.empty()) {
                // The deletions logged above were undone.
                m_ctx.WriteLog("Changes rolled back - the existing calibration record for CTAG '" + replacedCTAG +
                               "' is kept");
            }
        }
        // Rows attached to a record that was never created could never be found.
        m_calibration.clear();
        m_ctx.SetError("Could not create calibration summary record due to the following error: " + ErrorText(failure));
    }
}

void CalibrationRecord::FlushFullResults()
{
    m_calibration.clear();
}

} // namespace ob
