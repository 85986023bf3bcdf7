#pragma once
// DeleteCalibrationRecords: one calibration record with its results and
// standards, removed together or not at all.

#include <optional>
#include <string>

#include "context/Context.h"
#include "platform/Failure.h"
#include "session/Session.h"

namespace ob {

// `result` tells whether the record went; `failure`, when given, receives
// what stopped the deletions.
void DeleteCalibrationRecords(Context& context, Session& session, const std::string& ctag, bool& result,
                              std::optional<Failure>* failure = nullptr);

} // namespace ob
