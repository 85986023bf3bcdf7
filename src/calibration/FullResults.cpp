// /CREATEFULLRES: one row of detailed results per test point.
#include "calibration/FullResults.h"

#include <array>

#include "calibration/InsertLists.h"

#include "context/ExchangeKeys.h"
#include "context/ExchangeValues.h"
#include "context/Messages.h"
#include "platform/regional/Conversions.h"

namespace ob {

namespace {

enum class Rule { Number, AsRead, NoReading };
struct ResultKey {
    const char* key;
    const char* column;
    Rule rule;
};
constexpr std::array<ResultKey, 21> kResultKeys{{
    {keys::Order, "row_num", Rule::Number},
    {keys::NumSamples, "num_meas", Rule::Number},
    {keys::Setpoint, "expv", Rule::AsRead},
    {keys::SetpointPrefix, "expv_p", Rule::AsRead},
    {keys::SetpointUnits, "expv_u", Rule::AsRead},
    {keys::Reference, "Sys_actual", Rule::NoReading},
    {keys::ReferencePrefix, "Sys_actual_p", Rule::AsRead},
    {keys::ReferenceUnits, "Sys_actual_u", Rule::AsRead},
    {keys::UUT, "uut_ind", Rule::NoReading},
    {keys::UUTPrefix, "uut_ind_p", Rule::AsRead},
    {keys::UUTUnits, "uut_ind_u", Rule::AsRead},
    {keys::Error, "error", Rule::AsRead},
    {keys::ErrorPrefix, "error_p", Rule::AsRead},
    {keys::ErrorUnits, "error_u", Rule::AsRead},
    {keys::Tolerance, "tol", Rule::AsRead},
    {keys::TolerancePrefix, "tol_p", Rule::AsRead},
    {keys::ToleranceUnits, "tol_u", Rule::AsRead},
    {keys::Uncertainty, "exp_uncert", Rule::AsRead},
    {keys::UncertaintyPrefix, "exp_uncert_p", Rule::AsRead},
    {keys::UncertaintyUnits, "exp_uncert_u", Rule::AsRead},
    {keys::Comment, "remark", Rule::AsRead},
}};

} // namespace

void FullResults::CreateFullResultsRecord()
{
    if (!m_session.LinkActive()) {
        return;
    }
    try {
        m_ctx.WriteLog("Writing data to fields...");
        // Rows under an empty calibration key could never be found again.
        if (!m_calibration.active()) {
            throw Failure(5, "Invalid procedure call or argument: no calibration record is in progress");
        }
        std::string columns;
        std::string values;
        appendColumn(columns, values, "CTAG", m_calibration.CTAG());
        appendColumn(columns, values, "ATAG", m_calibration.ATAG());
        for (const ResultKey& k : kResultKeys) {
            std::string value;
            if (k.rule == Rule::Number) {
                value = regional::formatInteger(m_ctx.exchange().readInt(keys::FullResults, k.key));
            } else {
                value = m_ctx.exchange().readText(keys::FullResults, k.key);
                if (k.rule == Rule::NoReading && text::upper(value).find("NO READING") != std::string::npos) {
                    value.assign(1, '0'); // not = "0": GCC 12 warns of an overlapping copy
                }
            }
            appendColumn(columns, values, k.column, value);
        }
        m_ctx.WriteLog("Committing calibration full results record...");
        const std::string sql =
            "INSERT INTO ob.Results (" + closeList(columns) + ") VALUES (" + closeList(values) + ");";
        m_ctx.WriteLog(sql);
        odbc::Connection& connection = m_session.connection();
        connection.setCursorLocation(odbc::CursorLocation::Client);
        // In a transaction of its own: a statement cut off after its time may
        // still reach a server that wakes up later, which then rolls it back
        // instead of keeping a row reported as failed.
        odbc::Transaction transaction(connection);
        connection.Execute(sql);
        transaction.commit();
    } catch (...) {
        ReportFailure(m_ctx, "Could not create full results record");
    }
}

} // namespace ob
