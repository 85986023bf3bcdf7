#pragma once
// Link: the link between PYRALIS II and the ORBISTA database, one per
// process. It writes the start values, owns every part of the program and
// hands each what it uses, takes an action word up from [General] Action
// once a second, runs its handler, and on /TERMINATE or destruction ends.

#include <memory>

#include "assets/CurrentAsset.h"
#include "calibration/CalibrationInProgress.h"
#include "calibration/CalibrationRecord.h"
#include "calibration/FullResults.h"
#include "calibration/Standards.h"
#include "context/Context.h"
#include "customfields/RequiredFields.h"
#include "session/Session.h"

namespace ob {

class Link {
public:
    // Opens the output window, the log, the exchange file (start values),
    // NEXOVA.INI, the user information, the current asset and last the action
    // timer. A failure ends construction with Terminated true. The session's
    // login dialog and the required fields editor come from `logins` and
    // `editors` (the window system of `env`, which makes the other windows).
    Link(Environment env, LoginDialogs& logins, RequiredFieldsEditors& editors);
    // Clears [CurrentAsset], closes the log, says goodbye.
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    bool Terminated() const { return m_terminated; }
    // Construction failed (the program ends with a failed start).
    bool StartFailed() const { return m_startFailed; }
    // One tick of the action timer.
    void OnTimerTick();
    void TerminateAction(); // /TERMINATE

    Context& context() { return m_ctx; }
    Session& session() { return m_session; }
    const CurrentAsset& currentAsset() const { return m_asset; }
    RequiredFields& requiredFields() { return m_requiredFields; }
    const CalibrationInProgress& calibration() const { return m_calibration; }
    SubTimer* actionTimer() const { return m_actionTimer.get(); }

private:
    void initialize();
    void openLogFile();
    void watchExchangeFile();
    void onSettled();
    void stopTimer();
    // Take-up and answer of one request (see ExchangeFile.h).
    bool takeUp(const std::string& action);
    void answer(std::string action);
    // Logs a failure of the tick's own steps, and tries to report it in Error.
    void reportTickFailure();
    // Runs an action handler; whatever it lets escape is reported.
    void dispatch(int code, const std::string& action);

    Context m_ctx;
    Session m_session;
    CurrentAsset m_asset;
    RequiredFields m_requiredFields;
    CalibrationInProgress m_calibration;
    CalibrationRecord m_record;
    Standards m_standards;
    FullResults m_results;
    std::unique_ptr<SubTimer> m_actionTimer;
    // A change of the exchange file runs the tick once the peer has been
    // quiet for the settle time; the one-second timer stays the fallback.
    std::unique_ptr<FileWatch> m_watch;
    std::unique_ptr<SubTimer> m_settleTimer;
    bool m_terminated = false;
    bool m_startFailed = false;
    bool m_timerBusy = false;
    // The Action whose take-up could not be written: tried again at each tick,
    // reported once.
    std::string m_refusedAction;
    // The action whose answer could not be written: written at later ticks.
    std::string m_unansweredAction;
    bool m_beep = false;
    bool m_showOutput = false;
};

} // namespace ob
