// The link: start values, the one-second tick, dispatch and the end.
#include "link/Link.h"

#include "context/ExchangeKeys.h"
#include "context/Messages.h"
#include "link/Actions.h"
#include "platform/Text.h"
#include "platform/regional/Conversions.h"
#include "platform/system/SystemFolders.h"

namespace ob {

namespace {
// Runs one step of an ending; what it throws is ignored so the next step runs.
template <typename Step>
void ignoringFailure(Step&& step) noexcept
{
    try {
        step();
    } catch (...) {
    }
}

constexpr const char* kCompany = "Brennhall Labs";

// The peer writes a request key by key and Action last; each write is a
// rewrite of the whole file. The tick waits this long after the last change,
// so that it reads a finished write, and stays far below the one-second tick.
constexpr int kSettleMilliseconds = 15;
} // namespace

Link::Link(Environment env, LoginDialogs& logins, RequiredFieldsEditors& editors)
    : m_ctx(std::move(env)), m_session(m_ctx, logins), m_asset(m_ctx, m_session),
      m_requiredFields(m_ctx, m_session, editors), m_record(m_ctx, m_session, m_requiredFields, m_calibration),
      m_standards(m_ctx, m_session, m_calibration), m_results(m_ctx, m_session, m_calibration)
{
    try {
        initialize();
    } catch (...) {
        const Failure failure = currentFailure();
        const std::string text = ErrorText(failure);
        m_ctx.WriteLog("Error in Class_Initialize: " + text);
        // From here on every failure is ignored; the error state is clear, so
        // the box shows its first line only.
        try {
            ShowErrorBox(m_ctx.windows(), "attempting to initialize the CBrennLinkDB object: " + text,
                         "CBrennLinkDB Object Error", nullptr);
        } catch (...) {
        }
        try {
            if (m_ctx.log().window() != nullptr) {
                m_ctx.log().window()->Show();
            }
        } catch (...) {
        }
        try {
            ShowInfoBox(m_ctx.windows(),
                        "Do a screen capture the log information displayed in the OB32PYII Output window by "
                        "pressing the 'Print Screen' button now (BEFORE CLICKING OK!!) and send it to Technical "
                        "Support for further assistance.",
                        kCompany);
        } catch (...) {
        }
        m_terminated = true;
        m_startFailed = true;
    }
}

void Link::initialize()
{
    m_terminated = false;

    m_ctx.log().openWindow();

    // Reaches the window only: the log file does not exist yet.
    m_ctx.WriteLog("Creating FileSystemObject...");
    openLogFile();

    m_ctx.WriteLog(std::string("Creating INI file object for ") + keys::kExchangeFileName + "...");
    m_ctx.exchange().setFilePath(sys::buildPath(m_ctx.env().windowsFolder, keys::kExchangeFileName));
    m_ctx.WriteLog("INI File: " + m_ctx.exchange().FilePath());

    m_ctx.exchange().writeText(keys::General, keys::Action, "");
    m_ctx.exchange().writeBool(keys::General, keys::Busy, false);
    m_beep = m_ctx.exchange().readBool(keys::General, keys::Beep);
    m_showOutput = m_ctx.exchange().readBool(keys::General, keys::ShowOutput);

    bool found = false;
    m_ctx.exchange().readText(keys::Mapping, keys::CoefficientsField, "", &found);
    if (!found) {
        m_ctx.exchange().writeText(keys::Mapping, keys::CoefficientsField, "2341");
    }
    m_ctx.exchange().writeText(keys::OBVersion, keys::Version, "");
    // From here on [General] is always in the file: a snapshot without it was
    // taken while PYRALIS II rewrote the file in place, and is read again.
    m_ctx.exchange().setRequiredSection(keys::General);

    if (m_showOutput) {
        m_ctx.log().window()->Show();
    }
    m_ctx.SetError("");

    m_ctx.WriteLog(std::string("Creating INI file object for ") + keys::kNexovaFileName + "...");
    m_ctx.nexova().setFilePath(sys::buildPath(m_ctx.env().windowsFolder, keys::kNexovaFileName));
    m_ctx.WriteLog("Nexova INI File: " + m_ctx.nexova().FilePath());

    m_session.user().ResetUserInfo();

    m_asset.Reset();
    m_asset.WriteCurrentAsset();

    watchExchangeFile();

    m_ctx.WriteLog("Creating action timer...");
    m_actionTimer = m_ctx.windows().CreateTimer();
    m_actionTimer->ThatTime = [this] { OnTimerTick(); };
    m_actionTimer->setInterval(1000);
}

// A log file that cannot be written (an operator without rights to it) never
// stops the program: the peer is still served, and the window keeps the log.
void Link::openLogFile()
{
    const std::string logPath = sys::buildPath(m_ctx.env().windowsFolder, keys::kLogFileName);
    m_ctx.log().keepPreviousLog(logPath, sys::buildPath(m_ctx.env().windowsFolder, keys::kExchangeFileName),
                                m_ctx.env().logHistoryFolder);
    try {
        m_ctx.log().openFile(logPath);
        m_ctx.WriteLog(logPath + " created " + regional::formatGeneralDate(m_ctx.now(), m_ctx.regional()));
    } catch (const Failure& failure) {
        m_ctx.WriteLog("The log file cannot be written (" + ErrorText(failure) +
                       "); the log is kept in this window only");
    }
    m_ctx.log().writeStartNotes();
}

void Link::watchExchangeFile()
{
    if (!m_ctx.env().watchExchangeFile) {
        m_ctx.WriteLog("Requests are taken up at the one-second tick (OB32PYII_WATCH=off)");
        return;
    }
    std::string why;
    m_watch = m_ctx.windows().WatchFile(
        m_ctx.exchange().FilePath(),
        [this] {
            if (m_settleTimer)
                m_settleTimer->setInterval(kSettleMilliseconds); // restarts the wait
        },
        why);
    if (!m_watch) {
        m_ctx.WriteLog("Requests are taken up at the one-second tick: " + why);
        return;
    }
    m_settleTimer = m_ctx.windows().CreateTimer();
    m_settleTimer->ThatTime = [this] { onSettled(); };
    m_ctx.WriteLog("Watching " + m_ctx.exchange().FilePath() + " for requests...");
}

void Link::onSettled()
{
    m_settleTimer->setInterval(0);
    // A change during a request (the peer's next Action right after our
    // answer) must not be lost to the busy flag: look again once it is over.
    if (m_timerBusy) {
        m_settleTimer->setInterval(kSettleMilliseconds);
        return;
    }
    OnTimerTick();
}

Link::~Link()
{
    // Every step runs; failures are ignored. An answer the file refused so far
    // gets a last chance: the peer waits for it.
    ignoringFailure([&] {
        if (m_ctx.exchange().answerPending())
            m_ctx.exchange().answer();
    });
    ignoringFailure([&] {
        m_asset.Reset();
        if (!m_ctx.exchange().FilePath().empty()) {
            m_asset.WriteCurrentAsset();
        }
    });
    m_ctx.log().closeFile();
    ignoringFailure([&] {
        if (m_showOutput) {
            ShowInfoBox(m_ctx.windows(),
                        std::string("Terminating link to ORBISTA database. The ") + keys::kLogFileName +
                            " log file is located in the " + m_ctx.env().windowsFolder + " folder.",
                        kCompany);
        }
    });
    ignoringFailure([&] { m_ctx.log().closeWindow(); });
    ignoringFailure([&] {
        stopTimer();
        if (m_actionTimer) {
            m_actionTimer->ThatTime = nullptr;
        }
        m_actionTimer.reset();
        m_watch.reset();
        m_settleTimer.reset();
    });
    m_session.close();
}

void Link::TerminateAction()
{
    // Failures of single steps are ignored and the next step runs.
    ignoringFailure([&] {
        if (m_session.LinkActive()) {
            m_session.Logout();
        }
    });
    m_ctx.WriteLog("Disabling action timer...");
    ignoringFailure([&] { stopTimer(); });
    m_terminated = true;
    m_ctx.WriteLog("Terminated...");
}

void Link::stopTimer()
{
    m_watch.reset();
    if (m_settleTimer) {
        m_settleTimer->setInterval(0);
    }
    if (m_actionTimer) {
        m_actionTimer->setInterval(0);
    }
}

void Link::OnTimerTick()
{
    // Ticks arrive while an action logs (WriteLog delivers events); the flag
    // turns such a nested tick away. One thread, so the test and the set need
    // no lock.
    if (m_timerBusy) {
        m_ctx.WriteLog("Processing request (timer busy)...");
        return;
    }
    m_timerBusy = true;
    struct ClearBusy {
        bool& flag;
        ~ClearBusy() { flag = false; }
    } clearBusy{m_timerBusy};

    // Busy is still True in the file until the last answer is in: no new
    // request is taken up before the peer has had it.
    if (!m_unansweredAction.empty()) {
        answer(m_unansweredAction);
        return;
    }

    std::string action;
    try {
        action = m_ctx.exchange().pendingAction();
    } catch (...) {
        reportTickFailure();
        return;
    }
    if (text::trim(action).empty()) {
        m_refusedAction.clear();
        return;
    }
    if (!takeUp(action)) {
        return;
    }
    m_ctx.WriteLog(""); // what emptying Error logs
    if (m_beep) {
        try {
            m_ctx.windows().Beep();
        } catch (...) {
            reportTickFailure();
        }
    }

    dispatch(ParseAction(text::upper(action)), action);
    answer(action);
}

// A request is run only once its take-up is in the file: Action is then
// empty, so no later tick can run it again. A take-up the file refuses (a
// read-only file, no rights) runs nothing; it is logged once per request and
// tried again at each tick.
bool Link::takeUp(const std::string& action)
{
    const bool retry = action == m_refusedAction;
    if (!retry) {
        m_ctx.WriteLog("Processing action " + action + "...");
    }
    try {
        if (!m_ctx.exchange().takeUp(action)) {
            return false; // the peer changed Action since this tick read it
        }
    } catch (...) {
        if (!retry) {
            m_refusedAction = action;
            reportTickFailure();
        }
        return false;
    }
    m_refusedAction.clear();
    return true;
}

// The peer waits for Busy False: an answer the file refuses is written at a
// later tick, and reported once.
void Link::answer(std::string action)
{
    const bool retry = action == m_unansweredAction;
    try {
        m_ctx.exchange().answer();
    } catch (...) {
        if (!retry) {
            m_unansweredAction = action;
            reportTickFailure();
        }
        return;
    }
    m_unansweredAction.clear();
    m_ctx.WriteLog("Done processing action " + action);
}

void Link::reportTickFailure()
{
    const Failure failure = currentFailure();
    const std::string text = "Error processing action: " + ErrorText(failure);
    m_ctx.WriteLog(text);
    // Into the answer during a request, at once otherwise; never ahead of an
    // answer the file still refuses.
    try {
        if (!m_ctx.exchange().answerPending()) {
            m_ctx.exchange().writeText(keys::General, keys::Error, text);
        }
    } catch (...) {
    }
}

void Link::dispatch(int code, const std::string& action)
{
    try {
        switch (code) {
        case kObVer:
            m_session.GetVersion();
            break;
        case kObLogin:
            m_session.Login();
            break;
        case kObLogout:
            m_session.Logout();
            break;
        case kLocAsset:
            m_asset.LocateAsset();
            break;
        case kCreateCal:
            m_record.CreateCalibrationRecord();
            break;
        case kWriteStd:
            m_standards.AttachStandards();
            break;
        case kCreateFullRes:
            m_results.CreateFullResultsRecord();
            break;
        case kFlushFullRes:
            m_record.FlushFullResults();
            break;
        case kTerminate:
            TerminateAction();
            break;
        default:
            m_ctx.SetError("Unrecognized action '" + action + "'");
            break;
        }
    } catch (...) {
        // Every handler traps its own failures; this is the last resort so
        // that Busy still ends False.
        const Failure failure = currentFailure();
        const std::string text = "Error processing action: " + ErrorText(failure);
        m_ctx.WriteLog(text);
        try {
            m_ctx.SetError(text);
        } catch (...) {
        }
    }
}

} // namespace ob
