#pragma once
// GetATAG: the ATAG of an asset number in ob.AssetList, empty when none.

#include <string>

#include "context/Context.h"
#include "session/Session.h"

namespace ob {

std::string GetATAG(Context& context, Session& session, const std::string& assetNumber);

} // namespace ob
