#pragma once
// Standards: /WRITESTD attaches the standards (test equipment) named in
// [Standards] to the calibration in progress, one ob.Standards row each.

#include "calibration/CalibrationInProgress.h"
#include "context/Context.h"
#include "session/Session.h"

namespace ob {

class Standards {
public:
    Standards(Context& context, Session& session, const CalibrationInProgress& calibration)
        : m_ctx(context), m_session(session), m_calibration(calibration)
    {
    }

    void AttachStandards();

private:
    Context& m_ctx;
    Session& m_session;
    const CalibrationInProgress& m_calibration;
};

} // namespace ob
