#pragma once
// Environment: everything CBrennLinkDB uses from outside itself, handed to its
// constructor in one piece.

#include <memory>
#include <string>

#include "platform/regional/RegionalSettings.h"
#include "shell/Clock.h"
#include "shell/WindowSystem.h"

namespace ob {

struct Environment {
    std::string windowsFolder; // the exchange file, the log, NEXOVA.INI
    std::string programFolder; // orbista.exe
    regional::RegionalSettings regional;
    std::shared_ptr<const Clock> clock;
    std::shared_ptr<WindowSystem> windows;
};

} // namespace ob
