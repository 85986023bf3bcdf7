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
} // namespace

Link::Link(Environment env)
    : m_ctx(std::move(env)), m_session(m_ctx), m_asset(m_ctx, m_session), m_requiredFields(m_ctx, m_session),
      m_record(m_ctx, m_session, m_requiredFields, m_calibration), m_standards(m_ctx, m_session, m_calibration),
      m_results(m_ctx, m_session, m_calibration)
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
    }
}

void Link::initialize()
{
    m_terminated = false;

    m_ctx.log().openWindow();

    // Reaches the window only: the log file does not exist yet.
    m_ctx.WriteLog("Creating FileSystemObject...");
    const std::string logPath = sys::buildPath(m_ctx.env().windowsFolder, keys::kLogFileName);
    m_ctx.log().keepPreviousLog(logPath, sys::buildPath(m_ctx.env().windowsFolder, keys::kExchangeFileName),
                                m_ctx.env().logHistoryFolder);
    m_ctx.log().openFile(logPath);
    m_ctx.WriteLog(logPath + " created " + regional::formatGeneralDate(m_ctx.now(), m_ctx.regional()));
    m_ctx.log().writeStartNotes();

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

    m_ctx.WriteLog("Creating action timer...");
    m_actionTimer = m_ctx.windows().CreateTimer();
    m_actionTimer->ThatTime = [this] { OnTimerTick(); };
    m_actionTimer->setInterval(1000);
}

Link::~Link()
{
    // Every step runs; failures are ignored.
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

    // Until the handler runs, a failing step is reported and the next step runs.
    const auto trapped = [this](auto&& step) {
        try {
            step();
        } catch (...) {
            const Failure failure = currentFailure();
            const std::string text = "Error processing action: " + ErrorText(failure);
            m_ctx.WriteLog(text);
            try {
                m_ctx.SetError(text);
            } catch (...) {
            }
        }
    };

    std::string action;
    trapped([&] { action = m_ctx.exchange().readText(keys::General, keys::Action); });
    if (text::trim(action).empty()) {
        return;
    }
    m_ctx.WriteLog("Processing action " + action + "...");
    trapped([&] { m_ctx.exchange().writeText(keys::General, keys::Action, ""); });
    trapped([&] { m_ctx.exchange().writeBool(keys::General, keys::Busy, true); });
    trapped([&] { m_ctx.SetError(""); });
    if (m_beep) {
        trapped([&] { m_ctx.windows().Beep(); });
    }

    dispatch(ParseAction(text::upper(action)), action);

    // The peer waits for this write: it must happen whatever the action did.
    trapped([&] { m_ctx.exchange().writeBool(keys::General, keys::Busy, false); });
    m_ctx.WriteLog("Done processing action " + action);
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
