#pragma once
// Environment: everything the program uses from outside itself, handed to the
// link in one piece.

#include <memory>
#include <string>

#include "context/WindowSystem.h"
#include "platform/regional/RegionalSettings.h"
#include "platform/system/Clock.h"

namespace ob {

struct Environment {
    std::string windowsFolder; // the exchange file, the log, NEXOVA.INI
    std::string programFolder; // orbista.exe
    regional::RegionalSettings regional;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<WindowSystem> windows;
    // Take requests up as soon as the exchange file changes; off, only the
    // one-second tick does (OB32PYII_WATCH=off, for a folder whose change
    // notifications misbehave).
    bool watchExchangeFile = true;
    std::string logHistoryFolder = {}; // the logs of earlier runs; empty: none kept
};

} // namespace ob
