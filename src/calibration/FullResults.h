#pragma once
// FullResults: /CREATEFULLRES writes one ob.Results row of detailed results
// per test point of the calibration in progress, from [FullResults].

#include "calibration/CalibrationInProgress.h"
#include "context/Context.h"
#include "session/Session.h"

namespace ob {

class FullResults {
public:
    FullResults(Context& context, Session& session, const CalibrationInProgress& calibration)
        : m_ctx(context), m_session(session), m_calibration(calibration)
    {
    }

    void CreateFullResultsRecord();

private:
    Context& m_ctx;
    Session& m_session;
    const CalibrationInProgress& m_calibration;
};

} // namespace ob
