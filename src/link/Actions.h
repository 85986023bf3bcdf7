#pragma once
// Actions: the action words PYRALIS II writes into [General] Action.

#include <string>

namespace ob {

enum ActionCode {
    kNoAction = -1,
    kObVer = 0,
    kObLogin = 1,
    kObLogout = 2,
    kLocAsset = 3,
    kCreateCal = 4,
    kWriteStd = 5,
    kCreateFullRes = 6,
    kFlushFullRes = 7,
    kTerminate = 8,
};

// Each word is searched for anywhere in `word`, case-sensitively, in the order
// of the codes; the last one found wins. -1 when none is found.
int ParseAction(const std::string& word);

} // namespace ob
