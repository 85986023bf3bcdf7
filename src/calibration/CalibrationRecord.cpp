// /CREATECAL: the calibration summary record.
#include "calibration/CalibrationRecord.h"

#include <array>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "assets/AssetLookup.h"
#include "calibration/Deletion.h"
#include "calibration/InsertLists.h"
#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
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
    {keys::CoefficientsField, "2341"},
    {keys::WorkOrderField, "C2314"},
    {keys::TestProcField, "C2320"},
    {keys::MaintNotesField, "C2329"},
    {keys::TechNameField, "C2307"},
    {keys::AmbTempField, "C2311"},
    {keys::AmbHumidField, "C2312"},
    {keys::EndDateField, "C2342"},
    {keys::EndTimeField, "C2343"},
    {keys::AbortedField, "C2363"},
    {keys::PassField, "C2323"},
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
using Mapping = std::array<std::string, kMapping.size()>;
static_assert(std::is_same_v<Mapping, std::array<std::string, 11>>);
using CustomFields = std::vector<std::pair<std::string, std::string>>;

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

// [Mapping], every column name checked before any statement runs.
Mapping readMapping(ExchangeFile& exchange)
{
    Mapping mapping;
    for (std::size_t i = 0; i < kMapping.size(); ++i) {
        mapping[i] = exchange.readText(keys::Mapping, kMapping[i].key, kMapping[i].fallback);
    }
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
    return mapping;
}

// [CustomCalFields] Field1/Value1, Field2/Value2, ... up to the first missing FieldN.
CustomFields readCustomFields(ExchangeFile& exchange)
{
    CustomFields fields;
    for (int n = 1;; ++n) {
        bool found = false;
        const std::string field =
            exchange.readText(keys::CustomCalFields, keys::FieldPrefix + regional::formatInteger(n), "", &found);
        if (!found) {
            return fields;
        }
        fields.emplace_back(checkedColumn(field),
                            exchange.readText(keys::CustomCalFields, keys::ValuePrefix + regional::formatInteger(n)));
    }
}

} // namespace

// The record as it is built: its keys and its INSERT's two lists.
struct CalibrationRecord::NewRecord {
    std::string assetNumber;
    std::string atag;
    std::string ctag;
    std::string startDate;
    std::string startTime;
    std::string columns;
    std::string values;

    void add(const std::string& column, const std::string& value) { appendColumn(columns, values, column, value); }
};

CalibrationRecord::CalibrationRecord(Context& context, Session& session, RequiredFields& requiredFields,
                                     CalibrationInProgress& calibration)
    : m_ctx(context), m_session(session), m_requiredFields(requiredFields), m_calibration(calibration),
      m_decimalPoint(context.regional())
{
}

void CalibrationRecord::CreateCalibrationRecord()
{
    try {
        const Mapping mapping = readMapping(m_ctx.exchange());
        const CustomFields customFields = readCustomFields(m_ctx.exchange());
        NewRecord record;
        record.assetNumber = m_ctx.exchange().readText(keys::Calibration, keys::AssetNumber);
        m_calibration.clear();
        record.atag = GetATAG(m_ctx, m_session, record.assetNumber);
        if (record.atag.empty()) {
            m_ctx.SetError("Unable to get the ATAG for asset '" + record.assetNumber +
                           "'. This asset may not exist in the ORBISTA database.");
            return;
        }
        record.ctag = record.assetNumber + ":" + regional::formatInteger(regional::secondsSince1970(m_ctx.clockNow()));
        readStart(record);
        const bool coefsAsNumeric = m_ctx.exchange().readBool(keys::General, keys::WriteCoefsAsNumeric);
        m_ctx.WriteLog(std::string("Write coefs as numeric: ") + (coefsAsNumeric ? "True" : "False"));
        m_ctx.WriteLog("Writing data to fields...");
        addFixedValues(record);
        addMappedValues(mapping, record);
        addCoefficients(mapping[kCoefficients], coefsAsNumeric, record);
        m_ctx.WriteLog("Handling default custom calibration fields...");
        for (const auto& [column, value] : customFields) {
            record.add(column, value);
        }
        m_ctx.WriteLog("Default custom calibration fields complete...");
        // The operator may keep the editor open as long as they like: it is
        // shown before the transaction opens, so it never holds a lock.
        // Whatever the operator entered is written, even when the editor's
        // step failed (its error is set).
        std::vector<RequiredFields::Entry> entered;
        m_requiredFields.GetRequiredCustomFields(record.assetNumber, record.columns, entered);
        for (const auto& [column, value] : entered) {
            record.add(column, value);
        }
        writeRecord(record);
        m_calibration.begin(record.atag, record.ctag);
    } catch (...) {
        // Rows attached to a record that was never created could never be found.
        m_calibration.clear();
        ReportFailure(m_ctx, "Could not create calibration summary record");
    }
}

// The start date and time, the record's identity with its asset.
void CalibrationRecord::readStart(NewRecord& record)
{
    const regional::RegionalSettings& rs = m_ctx.regional();
    const int year = m_ctx.currentYear();
    record.startDate = m_ctx.exchange().readText(keys::Calibration, keys::StartDate);
    if (regional::isDate(record.startDate, rs, year)) {
        record.startDate = regional::formatIsoDate(regional::parseDate(record.startDate, rs, year));
    }
    record.startTime = m_ctx.exchange().readText(keys::Calibration, keys::StartTime);
    // Only a text that holds a time of day becomes one: a plain date would
    // otherwise be stored as midnight.
    if (regional::holdsTimeOfDay(record.startTime, rs, year)) {
        record.startTime = FormatTimeHMS(record.startTime, rs, year);
    }
}

void CalibrationRecord::addFixedValues(NewRecord& record)
{
    record.add("atag", record.atag);
    record.add("ctag", record.ctag);
    record.add("CDSRC", "PY2");
    record.add(QualifyColumn("C2301", "C"), record.startDate);
    record.add(QualifyColumn("C2333", "C"), record.startTime);
}

// The [Calibration] values into the columns [Mapping] names, converted from
// the regional form; a value that cannot be converted fails with its key.
void CalibrationRecord::addMappedValues(const Mapping& mapping, NewRecord& record)
{
    const regional::RegionalSettings& rs = m_ctx.regional();
    const int year = m_ctx.currentYear();
    const auto text = [&](const char* key, const char* fallback = "") {
        return m_ctx.exchange().readText(keys::Calibration, key, fallback);
    };
    const auto numeric = [&](const char* key) {
        return convertExchangeValue(key, text(key), [&](const std::string& value) {
            return regional::formatGeneralNumber(regional::val(m_decimalPoint.NormalizeDecimalPoint(value)), rs);
        });
    };
    const auto date = [&](const std::string& value) {
        return regional::isDate(value, rs, year) ? regional::formatIsoDate(regional::parseDate(value, rs, year))
                                                 : value;
    };
    const auto add = [&](MappingIndex index, const std::function<std::string()>& value) {
        if (!switchedOff(mapping[index])) {
            record.add(QualifyColumn(mapping[index], "C"), value());
        }
    };
    add(kTechName, [&] { return m_session.user().UserID(); });
    add(kAmbTemp, [&] { return numeric(keys::AmbientTemp); });
    add(kAmbHumid, [&] { return text(keys::AmbientHumid); });
    add(kWorkOrder, [&] { return numeric(keys::OrderID); });
    add(kTestProc, [&] { return text(keys::TestProcedure); });
    add(kMaintNotes, [&] { return text(keys::Comment); });
    add(kEndDate, [&] { return date(text(keys::EndDate)); });
    add(kEndTime, [&] {
        return convertExchangeValue(keys::EndTime, text(keys::EndTime),
                                    [&](const std::string& value) { return FormatTimeHMS(value, rs, year); });
    });
    add(kAborted, [&] {
        return m_ctx.exchange().readBool(keys::Calibration, keys::Aborted) ? std::string("Y") : std::string("N");
    });
    add(kPass, [&] { return text(keys::Pass, "I"); });
}

// One column, or several ("2341;2344") that take the coefficients
// ("A=3.9083E-3;B=...") in order; as numbers, only what follows "=".
void CalibrationRecord::addCoefficients(const std::string& codes, bool asNumeric, NewRecord& record)
{
    const std::string coefficients = m_ctx.exchange().readText(keys::Calibration, keys::Coefficients);
    if (switchedOff(codes) || coefficients.empty()) {
        return;
    }
    if (codes.find(';') == std::string::npos) {
        record.add(QualifyColumn(codes, "C"), coefficients);
        return;
    }
    const auto columns = text::split(codes, ';');
    const auto coefs = text::split(coefficients, ';');
    const std::size_t n = std::min(columns.size(), coefs.size());
    for (std::size_t i = 0; i < n; ++i) {
        std::string v = text::trim(coefs[i]);
        m_ctx.WriteLog("Coefficient: " + v);
        if (asNumeric) {
            const auto eq = v.find('=');
            if (eq != std::string::npos) {
                v = text::trim(v.substr(eq + 1));
            }
            std::erase(v, ' ');
            m_ctx.WriteLog("Converted: " + v);
        }
        record.add(QualifyColumn(text::trim(columns[i]), "C"), text::trim(v));
    }
}

// The replacement of an existing record and the insert of the new one commit
// together, in one short transaction: a creation that fails leaves the old
// record whole.
void CalibrationRecord::writeRecord(const NewRecord& record)
{
    odbc::Connection& connection = m_session.connection();
    std::optional<odbc::Transaction> transaction(std::in_place, connection);
    std::string replacedCTAG;
    try {
        deleteRecordOfSameStart(record, replacedCTAG);
        m_ctx.WriteLog("Committing calibration record...");
        const std::string insert =
            "INSERT INTO ob.Calibration (" + closeList(record.columns) + ") VALUES (" + closeList(record.values) + ");";
        m_ctx.WriteLog(insert);
        connection.setCursorLocation(odbc::CursorLocation::Client);
        connection.Execute(insert);
        transaction->commit();
    } catch (...) {
        transaction.reset(); // rolls back: an existing record stays as it was
        if (!replacedCTAG.empty()) {
            // The deletions logged above were undone.
            m_ctx.WriteLog("Changes rolled back - the existing calibration record for CTAG '" + replacedCTAG +
                           "' is kept");
        }
        throw;
    }
}

// A record of the same asset, start date and start time goes, with its
// results and standards; `replacedCTAG` names it.
void CalibrationRecord::deleteRecordOfSameStart(const NewRecord& record, std::string& replacedCTAG)
{
    m_ctx.WriteLog("Checking for existing cal record...");
    const std::string query = "SELECT * FROM ob.Calibration WHERE ATAG=" + odbc::quoteLiteral(record.atag) +
                              " AND C2301=" + odbc::quoteLiteral(record.startDate) +
                              " AND C2333=" + odbc::quoteLiteral(record.startTime) + ";";
    m_ctx.WriteLog(query);
    odbc::Recordset existing = m_session.query(query);
    if (existing.RecordCount() < 1) {
        return;
    }
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

void CalibrationRecord::FlushFullResults()
{
    m_calibration.clear();
}

} // namespace ob
