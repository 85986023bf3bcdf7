#pragma once
// The start procedure: one instance per Windows folder, the link, and the
// wait loop in which every action runs. Returns the process exit code.

#include "context/Environment.h"

namespace ob {

int RunStartProcedure(const Environment& env);

} // namespace ob
