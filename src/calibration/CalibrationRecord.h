#pragma once
// CalibrationRecord: /CREATECAL creates the calibration summary record from
// [Calibration] and [Mapping], with the custom fields the request and the
// operator fill, replacing a record of the same start in the same short
// transaction; /FLUSHFULLRES ends the calibration in progress.

#include <array>
#include <string>

#include "calibration/CalibrationInProgress.h"
#include "calibration/DecimalPoint.h"
#include "context/Context.h"
#include "customfields/RequiredFields.h"
#include "session/Session.h"

namespace ob {

class CalibrationRecord {
public:
    CalibrationRecord(Context& context, Session& session, RequiredFields& requiredFields,
                      CalibrationInProgress& calibration);

    void CreateCalibrationRecord();
    void FlushFullResults();

private:
    struct NewRecord;
    using Mapping = std::array<std::string, 11>;

    // The steps of CreateCalibrationRecord.
    void readStart(NewRecord& record);
    void addFixedValues(NewRecord& record);
    void addMappedValues(const Mapping& mapping, NewRecord& record);
    void addCoefficients(const std::string& codes, bool asNumeric, NewRecord& record);
    void writeRecord(const NewRecord& record);
    void deleteRecordOfSameStart(const NewRecord& record, std::string& replacedCTAG);

    Context& m_ctx;
    Session& m_session;
    RequiredFields& m_requiredFields;
    CalibrationInProgress& m_calibration;
    DecimalPoint m_decimalPoint;
};

} // namespace ob
