#pragma once
// CalibrationStatus: an asset's most recent calibration (ob.Calibration with
// C2339='1') and whether its due date lies ahead, that is, whether it is in
// calibration.

#include "assets/AssetRecord.h"
#include "context/Context.h"
#include "session/Session.h"

namespace ob {

class CalibrationStatus {
public:
    CalibrationStatus(Context& context, Session& session) : m_ctx(context), m_session(session) {}

    bool CheckInCal(const AssetRecord& asset);
    // CTAG, CalDate and CalTime of the most recent calibration.
    void GetLastCalibration(AssetRecord& asset);

private:
    Context& m_ctx;
    Session& m_session;
};

} // namespace ob
