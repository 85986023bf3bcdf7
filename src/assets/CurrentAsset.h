#pragma once
// CurrentAsset: the instrument under test. /LOCASSET finds it in the
// inventory by model, serial and manufacturer, reads its details and its
// most recent calibration, and writes [CurrentAsset] for PYRALIS II.

#include "assets/AssetRecord.h"
#include "assets/CalibrationStatus.h"
#include "context/Context.h"
#include "session/Session.h"

namespace ob {

class CurrentAsset {
public:
    CurrentAsset(Context& context, Session& session);

    void LocateAsset(); // /LOCASSET
    void GetCurrentAssetInfo();
    void WriteCurrentAsset();
    void Reset() { m_asset.Reset(); }
    const AssetRecord& record() const { return m_asset; }

private:
    Context& m_ctx;
    Session& m_session;
    CalibrationStatus m_status;
    AssetRecord m_asset;
};

} // namespace ob
