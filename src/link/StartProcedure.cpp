// The start procedure.
#include "link/StartProcedure.h"

#include <memory>

#include "context/ExchangeKeys.h"
#include "context/Messages.h"
#include "link/Link.h"
#include "platform/system/InstanceLock.h"
#include "platform/system/SystemFolders.h"

namespace ob {

namespace {
constexpr const char* kCompany = "Brennhall Labs";
} // namespace

int RunStartProcedure(const Environment& env, LoginDialogs& logins, RequiredFieldsEditors& editors)
{
    WindowSystem& ws = *env.windows;
    std::unique_ptr<Link> link;
    try {
        // A second start ends at once and silently: it touches neither the
        // exchange file nor the log. Any other reason not to get the lock (a
        // read-only folder, say) is a failed start: PYRALIS II would otherwise
        // wait for an answer that never comes.
        sys::InstanceLock lock(sys::buildPath(env.windowsFolder, keys::kExchangeFileName));
        if (lock.runningElsewhere()) {
            return 0;
        }
        if (!lock.held()) {
            throw Failure::fileAccess(lock.error());
        }
        link = std::make_unique<Link>(env, logins, editors);
        if (link->StartFailed()) {
            // Its error box and log line are out; PYRALIS II's caller sees the status.
            link.reset();
            return 1;
        }
        if (!link->Terminated()) {
            // ob32pyii-send waits for this before it writes a request, so
            // start-up cannot empty the Action it sends.
            lock.announceStarted();
        }
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
