// The heartbeat: one tick a second takes an action word up from [General]
// Action, runs its handler and marks the request finished.
#include "link/Actions.h"
#include "context/ExchangeKeys.h"
#include "platform/Text.h"
#include "link/Link.h"

namespace ob {

void Link::SetError(const std::string& text)
{
    writeText(keys::General, keys::Error, text);
    WriteLog(text);
}

void Link::ActionTimer_ThatTime()
{
    // Ticks arrive while an action logs (WriteLog delivers events); the flag
    // turns such a nested tick away. One thread, so the test and the set need
    // no lock.
    if (m_timerBusy) {
        WriteLog("Processing request (timer busy)...");
        return;
    }
    m_timerBusy = true;
    struct ClearBusy {
        bool& flag;
        ~ClearBusy() { flag = false; }
    } clearBusy{m_timerBusy};

    // Until the handler runs, a failing step is reported and the next step runs.
    const auto trapped = [this](auto&& step) {
        try {
            step();
        } catch (...) {
            const Failure failure = currentFailure();
            const std::string text = "Error processing action: " + ErrorText(failure);
            WriteLog(text);
            try {
                SetError(text);
            } catch (...) {
            }
        }
    };

    std::string action;
    trapped([&] { action = readText(keys::General, keys::Action); });
    if (text::trim(action).empty()) {
        return;
    }
    WriteLog("Processing action " + action + "...");
    trapped([&] { writeText(keys::General, keys::Action, ""); });
    trapped([&] { writeBool(keys::General, keys::Busy, true); });
    trapped([&] { SetError(""); });
    if (m_beep) {
        trapped([&] { m_env.windows->Beep(); });
    }

    dispatch(ParseAction(text::upper(action)), action);

    // The peer waits for this write: it must happen whatever the action did.
    trapped([&] { writeBool(keys::General, keys::Busy, false); });
    WriteLog("Done processing action " + action);
}

void Link::dispatch(int code, const std::string& action)
{
    try {
        switch (code) {
        case kObVer:
            GetVersion();
            break;
        case kObLogin:
            Login();
            break;
        case kObLogout:
            Logout();
            break;
        case kLocAsset:
            LocateAsset();
            break;
        case kCreateCal:
            CreateCalibrationRecord();
            break;
        case kWriteStd:
            AttachStandards();
            break;
        case kCreateFullRes:
            CreateFullResultsRecord();
            break;
        case kFlushFullRes:
            FlushFullResults();
            break;
        case kTerminate:
            TerminateAction();
            break;
        default:
            SetError("Unrecognized action '" + action + "'");
            break;
        }
    } catch (...) {
        // Every handler traps its own failures; this is the last resort so
        // that Busy still ends False.
        const Failure failure = currentFailure();
        const std::string text = "Error processing action: " + ErrorText(failure);
        WriteLog(text);
        try {
            SetError(text);
        } catch (...) {
        }
    }
}

} // namespace ob
