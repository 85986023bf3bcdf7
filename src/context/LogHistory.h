#pragma once
// The logs of earlier runs: before a start rewrites OB32PYII.txt, the previous
// run's log is copied into the user's history folder under the time that run
// started, and only the newest few are kept.

#include <optional>
#include <string>

#include "platform/regional/DateValue.h"
#include "platform/regional/RegionalSettings.h"

namespace ob::loghistory {

inline constexpr int kDefaultKeep = 100;

// [General] KeepLogs of the exchange file (read only): how many earlier logs
// to keep, 0 none; missing or not a whole number from 0 up: the default.
int keepSetting(const std::string& exchangePath);

// When the run that wrote the log started: the time stamp of its first line,
// read with `regional`; failing that, the time the file was last written.
std::optional<regional::CivilDateTime> startOf(const std::string& logPath, const regional::RegionalSettings& regional,
                                               int currentYear);

// "OB32PYII-2026-12-06T14-03-27.txt"; `sequence` above 1 is appended ("-2")
// for a second run started within the same second.
std::string nameFor(const regional::CivilDateTime& started, int sequence = 1);

// Copies the log at `logPath`, when there is one, into `folder` (created when
// missing) under nameFor(the start of its run), unless `keep` is 0; then
// removes the oldest kept logs beyond `keep`. Returns why it could not, or an
// empty text; never throws.
std::string keepPrevious(const std::string& logPath, const std::string& folder, int keep,
                         const regional::RegionalSettings& regional, const regional::CivilDateTime& now);

} // namespace ob::loghistory
