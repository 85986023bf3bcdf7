// /CREATEFULLRES: one row of detailed results per test point.
#include <array>

#include "calibration/InsertLists.h"
#include "context/ExchangeKeys.h"
#include "platform/regional/Conversions.h"
#include "link/Link.h"

namespace ob {

namespace {

enum class Rule { Number, AsRead, NoReading };
struct ResultKey {
    const char* key;
    const char* column;
    Rule rule;
};
constexpr std::array<ResultKey, 21> kResultKeys{{
    {"Order", "row_num", Rule::Number},
    {"NumSamples", "num_meas", Rule::Number},
    {"Setpoint", "expv", Rule::AsRead},
    {"SetpointPrefix", "expv_p", Rule::AsRead},
    {"SetpointUnits", "expv_u", Rule::AsRead},
    {"Reference", "Sys_actual", Rule::NoReading},
    {"ReferencePrefix", "Sys_actual_p", Rule::AsRead},
    {"ReferenceUnits", "Sys_actual_u", Rule::AsRead},
    {"UUT", "uut_ind", Rule::NoReading},
    {"UUTPrefix", "uut_ind_p", Rule::AsRead},
    {"UUTUnits", "uut_ind_u", Rule::AsRead},
    {"Error", "error", Rule::AsRead},
    {"ErrorPrefix", "error_p", Rule::AsRead},
    {"ErrorUnits", "error_u", Rule::AsRead},
    {"Tolerance", "tol", Rule::AsRead},
    {"TolerancePrefix", "tol_p", Rule::AsRead},
    {"ToleranceUnits", "tol_u", Rule::AsRead},
    {"Uncertainty", "exp_uncert", Rule::AsRead},
    {"UncertaintyPrefix", "exp_uncert_p", Rule::AsRead},
    {"UncertaintyUnits", "exp_uncert_u", Rule::AsRead},
    {"Comment", "remark", Rule::AsRead},
}};

} // namespace

void Link::CreateFullResultsRecord()
{
    if (!m_linkActive) {
        return;
    }
    try {
        WriteLog("Writing data to fields...");
        // Rows under an empty calibration key could never be found again.
        if (m_calATAG.empty() || m_calCTAG.empty()) {
            throw Failure(5, "Invalid procedure call or argument: no calibration record is in progress");
        }
        std::string columns;
        std::string values;
        appendColumn(columns, values, "CTAG", m_calCTAG);
        appendColumn(columns, values, "ATAG", m_calATAG);
        for (const ResultKey& k : kResultKeys) {
            std::string value;
            if (k.rule == Rule::Number) {
                value = regional::formatInteger(readInt(keys::FullResults, k.key));
            } else {
                value = readText(keys::FullResults, k.key);
                if (k.rule == Rule::NoReading && text::upper(value).find("NO READING") != std::string::npos) {
                    value.assign(1, '0'); // not = "0": GCC 12 warns of an overlapping copy
                }
            }
            appendColumn(columns, values, k.column, value);
        }
        WriteLog("Committing calibration full results record...");
        const std::string sql =
            "INSERT INTO ob.Results (" + closeList(columns) + ") VALUES (" + closeList(values) + ");";
        WriteLog(sql);
        m_connection->setCursorLocation(odbc::CursorLocation::Client);
        // In a transaction of its own: a statement cut off after its time may
        // still reach a server that wakes up later, which then rolls it back
        // instead of keeping a row reported as failed.
        odbc::Transaction transaction(*m_connection);
        m_connection->Execute(sql);
        transaction.commit();
    } catch (...) {
        const Failure failure = currentFailure();
        SetError("Could not create full results record due to the following error: " + ErrorText(failure));
    }
}

} // namespace ob
