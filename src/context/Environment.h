#pragma once
// Environment: everything the program uses from outside itself, handed to the
// link in one piece.

#include <memory>
#include <string>

#include "context/Clock.h"
#include "context/WindowSystem.h"
#include "platform/regional/RegionalSettings.h"

namespace ob {

struct Environment {
    std::string windowsFolder; // the exchange file, the log, NEXOVA.INI
    std::string programFolder; // orbista.exe
    regional::RegionalSettings regional;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<WindowSystem> windows;
    std::string logHistoryFolder = {}; // the logs of earlier runs; empty: none kept
};

} // namespace ob
