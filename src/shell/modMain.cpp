// modMain: the start procedure.
#include <memory>

#include "exchange/ExchangeKeys.h"
#include "platform/system/InstanceLock.h"
#include "platform/system/SystemFolders.h"
#include "shell/CBrennLinkDB.h"

namespace ob {

namespace {
constexpr const char* kCompany = "Brennhall Labs";
} // namespace

int RunStartProcedure(const Environment& env)
{
    WindowSystem& ws = *env.windows;
    std::unique_ptr<CBrennLinkDB> link;
    try {
        // A second start ends at once and silently: it touches neither the
        // exchange file nor the log.
        sys::InstanceLock lock(sys::buildPath(env.windowsFolder, keys::kInstanceLockName));
        if (!lock.held()) {
            return 0;
        }
        link = std::make_unique<CBrennLinkDB>(env);
        // The loop blocks until the next event arrives; timer ticks, and with
        // them all actions, run inside WaitForEvents.
        while (!link->Terminated()) {
            try {
                ws.WaitForEvents();
            } catch (...) {
                const Failure failure = currentFailure();
                ShowErrorBox(ws, "using the ORBISTA interface utility", kCompany, &failure);
            }
        }
        link.reset();
    } catch (...) {
        const Failure failure = currentFailure();
        ShowErrorBox(ws, "initializing the ORBISTA interface utility", kCompany, &failure);
        link.reset();
        return 1;
    }
    return 0;
}

} // namespace ob
